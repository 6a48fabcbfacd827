#include "app/screencatalog.h"

#include "lending/form7.h"
#include "screens/form1.h"
#include "screens/form10.h"
#include "screens/form2.h"
#include "screens/form3.h"
#include "screens/form4.h"
#include "screens/form5.h"
#include "screens/form6.h"
#include "screens/form8.h"
#include "screens/form9.h"

const QVector<MenuGroup> &menuGroups()
{
    static const QVector<MenuGroup> groups = {
        {QStringLiteral("CS"),
         QStringLiteral("Management of  maintenance"),
         {{QStringLiteral("CSF"), QStringLiteral("Customer"), QStringLiteral("Form1"), form1Declaration},
          {QStringLiteral("MTR"), QStringLiteral("Maintenance record"), QStringLiteral("Form2"), form2Declaration},
          {QStringLiteral("TP"), QStringLiteral("Data documents"), QStringLiteral("Form3"), form3Declaration}}},
        {QStringLiteral("CM"),
         QStringLiteral("Customer management"),
         {{QStringLiteral("CF"), QStringLiteral("Documents datz"), QStringLiteral("Form4"), form4Declaration},
          {QStringLiteral("CC"), QStringLiteral("Data of contact"), QStringLiteral("Form5"), form5Declaration}}},
        {QStringLiteral("MSM"),
         QStringLiteral("Manage of material"),
         {{QStringLiteral("MSF"), QStringLiteral("Data of material stock"), QStringLiteral("Form6"), form6Declaration},
          {QStringLiteral("MER"), QStringLiteral("Material to place"), QStringLiteral("Form7"), form7Declaration},
          {QStringLiteral("supplier"), QStringLiteral("Data of suppliers"), QStringLiteral("Form10"),
           form10Declaration}}},
        {QStringLiteral("EM"),
         QStringLiteral("Engineer 's  management"),
         {{QStringLiteral("EMP"), QStringLiteral("Employee's  basic data"), QStringLiteral("Form8"), form8Declaration},
          {QStringLiteral("ESR"), QStringLiteral("Record of engineer's works"), QStringLiteral("Form9"),
           form9Declaration}}},
    };
    return groups;
}
