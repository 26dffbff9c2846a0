// The parameter file index.param: a completion flag line, then one line per
// entry: its display name, a TAB, and each current value followed by a TAB.
#include "formulas/formulaservice.h"

#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <cmath>
#include <locale>
#include <sstream>

#include "shell/hfileio.h"

namespace formula {

bool FormulaService::saveParams(const std::string& path)
{
    std::ostringstream body;
    body.imbue(std::locale::classic());
    body << "0\n";
    for (const auto& f : formulas_) {
        body << f->displayName << '\t';
        for (const FormulaParam& p : f->params)
            body << p.value << '\t';
        body << '\n';
    }
    std::string text = body.str();

    // The flag says the file is complete. The whole file replaces the old
    // one by rename only once every line is on the disk, so a full disk or a
    // crash leaves the old file.
    text[0] = '1';
    const QString file = QFile::decodeName(QByteArray::fromStdString(path));
    if (damagedParams_ == path) {
        if (QFileInfo::exists(file) && HFileIO::keepBadCopyAt(file).isEmpty())
            return false;
        damagedParams_.clear();
    }
    return HFileIO::writePath(file, QByteArray::fromStdString(text));
}

namespace {

// Skips spaces and TABs from p; returns the new position.
const char* skipBlank(const char* p, const char* end)
{
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\r'))
        ++p;
    return p;
}

}  // namespace

void FormulaService::loadParams(const std::string& path)
{
    QByteArray bytes;
    // One that cannot be read is told, and moved aside by the writer once
    // the next save is on the disk.
    if (HFileIO::readPath(QFile::decodeName(QByteArray::fromStdString(path)), &bytes) != HFileIO::Found::Read ||
        bytes.isEmpty())
        return;
    std::istringstream in(bytes.toStdString());
    std::string line;
    std::getline(in, line);
    int flag = 0;
    {
        const char* p = skipBlank(line.data(), line.data() + line.size());
        const char* end = skipBlank(std::from_chars(p, line.data() + line.size(), flag).ptr, line.data() + line.size());
        // Only a whole file of this form is taken; anything else is kept
        // for the user before it is replaced.
        if (end != line.data() + line.size() || (flag != 0 && flag != 1) || bytes.contains('\0'))
            flag = 0;
    }
    if (flag == 0) {
        damagedParams_ = path;
        return;
    }

    while (std::getline(in, line)) {
        const char* p = line.data();
        const char* end = p + line.size();
        p = skipBlank(p, end);
        const char* keyBegin = p;
        while (p < end && *p != ' ' && *p != '\t' && *p != '\r')
            ++p;
        if (p == keyBegin)
            continue;
        auto entry = find(std::string(keyBegin, p));
        if (!entry)
            continue;
        for (FormulaParam& param : entry->params) {
            p = skipBlank(p, end);
            if (p < end && *p == '+')
                ++p;
            float v = 0.0f;
            auto [next, ec] = std::from_chars(p, end, v);
            if (ec != std::errc() || next == p)
                break;  // not a number: the rest of the line is left alone
            p = next;
            if (std::isfinite(v))
                param.value = v;
        }
    }
}

}  // namespace formula
