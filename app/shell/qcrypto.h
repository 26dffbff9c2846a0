// QCrypto: turns a short text (the remembered password) into hexadecimal
// cipher text and back. Triple DES (three keys) in CBC mode with PKCS#7
// padding, a fixed key and IV; stored rows depend on all of it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVariant>

class QCrypto : public QObject {
    Q_OBJECT
public:
    explicit QCrypto(QObject* parent = nullptr);

    // Any thread. Runs the cipher over `in`; on failure returns false with
    // the step's text in *error ("cipher init error:", "cipher update error"
    // or "cipher final error").
    static bool crypt(bool encrypt, const QByteArray& in, QByteArray* out, QString* error);
    // Any thread. Pairs of hex digits (either case) to bytes; false for an odd
    // count or a character that is not a hex digit.
    static bool fromHex(const QString& hex, QByteArray* out);

public slots:
    // The UTF-8 bytes of `src`, enciphered, as lower-case hex; "" on failure.
    QVariant encode(QString src);
    // Hex cipher text back to the text (UTF-8); "" for input that is not hex
    // pairs or does not decipher. Failures are logged with the step's text.
    QVariant decode(QString src);
};
