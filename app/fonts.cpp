#include "app/fonts.h"

#include <QFont>
#include <QStringList>

void installFontSubstitutes()
{
    const QStringList uming{QStringLiteral("AR PL UMing TW"), QStringLiteral("Noto Sans CJK TC")};
    const QStringList notoSans{QStringLiteral("Noto Sans CJK TC"), QStringLiteral("AR PL UMing TW")};
    QFont::insertSubstitutions(QStringLiteral("新細明體"), uming);
    QFont::insertSubstitutions(QStringLiteral("華康新儷粗黑"), notoSans);
}
