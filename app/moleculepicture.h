#pragma once

#include <QWidget>

/// The main window's decorative clip-art: a molecule of atoms and bonds.
class MoleculePicture : public QWidget
{
    Q_OBJECT

public:
    explicit MoleculePicture(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
