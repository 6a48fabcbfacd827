#include "app/moleculepicture.h"

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>

#include <array>

namespace {

struct Atom
{
    QPointF centre; // in a 100 x 100 drawing
    qreal radius;
    QColor colour;
};

const std::array<Atom, 7> kAtoms = {{
    {{50, 50}, 13, QColor(200, 40, 40)},
    {{22, 30}, 9, QColor(60, 110, 220)},
    {{80, 26}, 9, QColor(60, 110, 220)},
    {{78, 78}, 9, QColor(60, 110, 220)},
    {{20, 76}, 9, QColor(60, 110, 220)},
    {{8, 12}, 6, QColor(235, 235, 235)},
    {{94, 8}, 6, QColor(235, 235, 235)},
}};
const std::array<std::pair<int, int>, 6> kBonds = {{{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 5}, {2, 6}}};

} // namespace

MoleculePicture::MoleculePicture(QWidget *parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("molecule"));
}

void MoleculePicture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const qreal side = std::min(width(), height());
    painter.translate((width() - side) / 2, (height() - side) / 2);
    paintMolecule(painter, side);
}

void paintMolecule(QPainter &painter, qreal side)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / 100, side / 100);
    painter.setPen(QPen(QColor(90, 90, 90), 3, Qt::SolidLine, Qt::RoundCap));
    for (const auto &[from, to] : kBonds)
        painter.drawLine(kAtoms[from].centre, kAtoms[to].centre);
    painter.setPen(Qt::NoPen);
    for (const Atom &atom : kAtoms) {
        QRadialGradient shine(atom.centre - QPointF(atom.radius / 3, atom.radius / 3), atom.radius * 1.4);
        shine.setColorAt(0, Qt::white);
        shine.setColorAt(1, atom.colour);
        painter.setBrush(shine);
        painter.drawEllipse(atom.centre, atom.radius, atom.radius);
    }
}

QImage moleculeImage(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintMolecule(painter, side);
    return image;
}

QIcon moleculeIcon()
{
    QIcon icon;
    for (int side : kMoleculeIconSizes)
        icon.addPixmap(QPixmap::fromImage(moleculeImage(side)));
    return icon;
}
