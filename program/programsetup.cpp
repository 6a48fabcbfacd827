#include "program/programsetup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void setUpProgram(QCoreApplication &application)
{
    QCoreApplication::setApplicationVersion(QStringLiteral(VEMO_VERSION));
    // Taiwan's locale also makes the MIME database describe document types in Chinese.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Taiwan));
    // The program speaks Traditional Chinese whatever the desktop's language.
    auto *translator = new QTranslator(&application);
    if (translator->load(QStringLiteral("qtbase_zh_TW"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}
