// Writes the program's icon at every size into a hicolor icon theme folder.
#include "app/moleculepicture.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: vemo_icons THEME_FOLDER\n", stderr);
        return 2;
    }
    const QDir theme(QString::fromLocal8Bit(argv[1]));
    for (int side : kMoleculeIconSizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(side);
        const QString file = theme.filePath(folder + QStringLiteral("/vemo.png"));
        if (!theme.mkpath(folder) || !moleculeImage(side).save(file)) {
            std::fprintf(stderr, "vemo_icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    QFile svg(theme.filePath(QStringLiteral("scalable/apps/vemo.svg")));
    if (!theme.mkpath(QStringLiteral("scalable/apps")) || !svg.open(QIODevice::WriteOnly)
        || svg.write(moleculeSvg().toUtf8()) < 0 || !svg.flush()) {
        std::fprintf(stderr, "vemo_icons: cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    return 0;
}
