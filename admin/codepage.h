#pragma once

#include <QByteArray>
#include <QString>

/// Decodes text of a Windows code page (an iconv name such as CP950 or CP1252).
class CodePage
{
public:
    CodePage() = default;
    ~CodePage();
    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;

    /// False when iconv does not know the code page.
    bool open(const QString &name);
    /// Bytes that are no text of the code page become U+FFFD, one each,
    /// and set undecodable; the rest is decoded.
    QString decode(const QByteArray &bytes, bool &undecodable);

private:
    void *m_iconv = reinterpret_cast<void *>(-1);
};
