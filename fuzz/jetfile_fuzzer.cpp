// Any bytes as a Jet file, read the way the import reads it: it never
// crashes or hangs, a failure says why, and a table read without a failure
// gave every row its definition counts, each carried into every column type.
#include "admin/importvalue.h"
#include "admin/jetfile.h"
#include "fuzz/fuzzinput.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {

/// The bytes as a file libmdb can open by name, kept in memory only.
QString asFile(const uint8_t *data, size_t size)
{
    static const int fd = memfd_create("vemo-jetfile-fuzz", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0 && ftruncate(fd, 0) == 0);
    FUZZ_CHECK(pwrite(fd, data, size, 0) == ssize_t(size));
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

void carryEveryWay(const QVector<JetValue> &row)
{
    for (const JetValue &value : row)
        for (ColumnType type : {ColumnType::Text, ColumnType::WholeNumber, ColumnType::Document}) {
            // A value left out says why, but for a blank one, which becomes an empty cell.
            const CarriedValue carried = carryValue(value, type, QStringLiteral("doc"));
            FUZZ_CHECK(carried.stored.isValid() || !carried.problem.isEmpty() || value.value.toString().trimmed().isEmpty());
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    JetFile jet;
    const Result opened = jet.open(asFile(data, size), QStringLiteral("CP1252"));
    if (!opened) {
        FUZZ_CHECK(!opened.message().isEmpty());
        return 0;
    }
    for (const JetTable &table : jet.tables()) {
        qint64 rows = 0;
        const Result read = jet.readRows(table.name, [&](const QVector<JetValue> &row) {
            FUZZ_CHECK(row.size() == table.columns.size());
            carryEveryWay(row);
            ++rows;
            return true;
        });
        FUZZ_CHECK(read ? rows == table.rowCount : !read.message().isEmpty());
    }
    return 0;
}
