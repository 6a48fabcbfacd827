#include "admin/codepage.h"

#include <cerrno>
#include <iconv.h>

CodePage::~CodePage()
{
    if (m_iconv != reinterpret_cast<void *>(-1))
        iconv_close(static_cast<iconv_t>(m_iconv));
}

bool CodePage::open(const QString &name)
{
    m_iconv = iconv_open("UTF-8", name.toLatin1().constData());
    return m_iconv != reinterpret_cast<void *>(-1);
}

QString CodePage::decode(const QByteArray &bytes, bool &undecodable)
{
    const auto converter = static_cast<iconv_t>(m_iconv);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    QByteArray out;
    QByteArray buffer(4 * bytes.size() + 16, Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char *outAt = buffer.data();
        size_t outLeft = size_t(buffer.size());
        const size_t done = iconv(converter, &in, &inLeft, &outAt, &outLeft);
        out.append(buffer.constData(), buffer.size() - qsizetype(outLeft));
        if (done != size_t(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        undecodable = true;
        out.append("\xEF\xBF\xBD");
        ++in;
        --inLeft;
    }
    return QString::fromUtf8(out);
}
