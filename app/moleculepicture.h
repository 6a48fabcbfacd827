#pragma once

#include <QWidget>

#include <array>

class QIcon;
class QImage;
class QPainter;
class QString;

/// The main window's decorative clip-art: a molecule of atoms and bonds.
class MoleculePicture : public QWidget
{
    Q_OBJECT

public:
    explicit MoleculePicture(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

/// Draws the molecule in a square of the given side at the painter's origin.
void paintMolecule(QPainter &painter, qreal side);
/// The molecule on a transparent square: the program's icon at one size.
QImage moleculeImage(int side);

/// The molecule as a scalable drawing (SVG).
QString moleculeSvg();

/// The sizes a desktop asks an application's icon in.
inline constexpr std::array<int, 9> kMoleculeIconSizes = {16, 22, 24, 32, 48, 64, 128, 256, 512};
/// The program's icon, for every window.
QIcon moleculeIcon();
