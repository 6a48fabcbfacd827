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

/// Below this side the drawing's small atoms and highlights blur into a smudge.
constexpr qreal kSmallestDetailedSide = 32;

/// For small icons: the central atom and its four neighbours, large, solid and outlined.
const std::array<Atom, 5> kSmallAtoms = {{
    {{50, 50}, 18, QColor(200, 40, 40)},
    {{16, 16}, 14, QColor(40, 90, 210)},
    {{84, 16}, 14, QColor(40, 90, 210)},
    {{84, 84}, 14, QColor(40, 90, 210)},
    {{16, 84}, 14, QColor(40, 90, 210)},
}};

void paintSmallMolecule(QPainter &painter, qreal side)
{
    painter.setPen(QPen(QColor(120, 120, 120), 10, Qt::SolidLine, Qt::FlatCap));
    for (std::size_t i = 1; i < kSmallAtoms.size(); ++i)
        painter.drawLine(kSmallAtoms[0].centre, kSmallAtoms[i].centre);
    // One device pixel of darker rim separates each atom from the bonds and the background.
    for (const Atom &atom : kSmallAtoms) {
        painter.setPen(QPen(atom.colour.darker(170), 100 / side));
        painter.setBrush(atom.colour);
        painter.drawEllipse(atom.centre, atom.radius, atom.radius);
    }
}

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
    if (side < kSmallestDetailedSide) {
        paintSmallMolecule(painter, side);
        return;
    }
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

QString moleculeSvg()
{
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 100 100\">\n<defs>\n");
    for (std::size_t i = 0; i < kAtoms.size(); ++i) {
        const Atom &atom = kAtoms[i];
        // The same highlight as the painted one: a third of the radius up and left, reaching 1.4 radii.
        svg += QStringLiteral("<radialGradient id=\"a%1\" gradientUnits=\"userSpaceOnUse\" cx=\"%2\" cy=\"%3\" r=\"%4\">"
                              "<stop offset=\"0\" stop-color=\"#fff\"/><stop offset=\"1\" stop-color=\"%5\"/></radialGradient>\n")
                   .arg(i)
                   .arg(atom.centre.x() - atom.radius / 3)
                   .arg(atom.centre.y() - atom.radius / 3)
                   .arg(atom.radius * 1.4)
                   .arg(atom.colour.name());
    }
    svg += QStringLiteral("</defs>\n<g stroke=\"#5a5a5a\" stroke-width=\"3\" stroke-linecap=\"round\">\n");
    for (const auto &[from, to] : kBonds)
        svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\"/>\n")
                   .arg(kAtoms[from].centre.x())
                   .arg(kAtoms[from].centre.y())
                   .arg(kAtoms[to].centre.x())
                   .arg(kAtoms[to].centre.y());
    svg += QStringLiteral("</g>\n");
    for (std::size_t i = 0; i < kAtoms.size(); ++i)
        svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"url(#a%4)\"/>\n")
                   .arg(kAtoms[i].centre.x())
                   .arg(kAtoms[i].centre.y())
                   .arg(kAtoms[i].radius)
                   .arg(i);
    return svg + QStringLiteral("</svg>\n");
}

QIcon moleculeIcon()
{
    QIcon icon;
    for (int side : kMoleculeIconSizes)
        icon.addPixmap(QPixmap::fromImage(moleculeImage(side)));
    return icon;
}
