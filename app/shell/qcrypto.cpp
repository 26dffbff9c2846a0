#include "shell/qcrypto.h"

#include <QDebug>

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>

#include <memory>

namespace {

constexpr int kBlock = 8;

// The key and IV, put together per call from pieces and wiped afterwards.
struct Secret {
    unsigned char key[24];
    unsigned char iv[8];
    Secret()
    {
        static const char* const keyParts[] = {"Tq7mWz", "R2pLx9", "VbN4kH", "s8JdYc"};
        int n = 0;
        for (const char* p : keyParts)
            for (; *p; ++p)
                key[n++] = static_cast<unsigned char>(*p);
        static const char ivParts[2][5] = {"Fk3w", "Pz8Q"};
        for (int i = 0; i < 8; ++i)
            iv[i] = static_cast<unsigned char>(ivParts[i / 4][i % 4]);
    }
    ~Secret() { OPENSSL_cleanse(this, sizeof *this); }
};

struct CtxFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

}  // namespace

QCrypto::QCrypto(QObject* parent) : QObject(parent) {}

bool QCrypto::crypt(bool encrypt, const QByteArray& in, QByteArray* out, QString* error)
{
    const Secret secret;
    std::unique_ptr<EVP_CIPHER_CTX, CtxFree> ctx(EVP_CIPHER_CTX_new());
    if (!ctx ||
        EVP_CipherInit_ex(ctx.get(), EVP_des_ede3_cbc(), nullptr, secret.key, secret.iv, encrypt ? 1 : 0) != 1) {
        unsigned long e = ERR_get_error();
        *error =
            QStringLiteral("cipher init error:") + (e ? QString::fromLatin1(ERR_error_string(e, nullptr)) : QString());
        return false;
    }
    // Room for the input plus one block for the update, one more for the final step.
    out->resize(in.size() + 2 * kBlock);
    unsigned char* o = reinterpret_cast<unsigned char*>(out->data());
    int n = 0;
    if (EVP_CipherUpdate(ctx.get(), o, &n, reinterpret_cast<const unsigned char*>(in.constData()), in.size()) != 1) {
        *error = QStringLiteral("cipher update error");
        out->clear();
        return false;
    }
    int tail = 0;
    if (EVP_CipherFinal_ex(ctx.get(), o + n, &tail) != 1) {
        ERR_clear_error();
        *error = QStringLiteral("cipher final error");
        out->clear();
        return false;
    }
    out->resize(n + tail);
    return true;
}

bool QCrypto::fromHex(const QString& hex, QByteArray* out)
{
    out->clear();
    if (hex.size() % 2 != 0)
        return false;
    out->resize(hex.size() / 2);
    for (int i = 0; i < out->size(); ++i) {
        const int hi = hexValue(hex[2 * i]);
        const int lo = hexValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) {
            out->clear();
            return false;
        }
        (*out)[i] = char(hi << 4 | lo);
    }
    return true;
}

QVariant QCrypto::encode(QString src)
{
    QByteArray out;
    QString error;
    if (!crypt(true, src.toUtf8(), &out, &error)) {
        qWarning().noquote() << error;
        return QString();
    }
    return QString::fromLatin1(out.toHex());
}

QVariant QCrypto::decode(QString src)
{
    QByteArray in;
    if (!fromHex(src, &in))
        return QString();
    QByteArray out;
    QString error;
    if (!crypt(false, in, &out, &error)) {
        qWarning().noquote() << error;
        return QString();
    }
    return QString::fromUtf8(out);
}
