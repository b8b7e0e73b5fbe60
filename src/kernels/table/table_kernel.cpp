// The table kernels behind the kernel interfaces: the state laid out once
// (table_layout.h) and the instruction set's code that runs over it.
#include <utility>

#include "kernels/down_kernel.h"
#include "kernels/table/table_layout.h"
#include "kernels/table/table_paths.h"
#include "kernels/up_kernel.h"

namespace velumor {

namespace {

template <typename Table>
using TableCode = void (*)(const Table&, short*);

TableCode<DownTable> DownCode(KernelPath path) {
    switch (path) {
        case KernelPath::kPortable: return ConvertDownTablePortable;
#if defined(__x86_64__) || defined(__i386__)
        case KernelPath::kAvx2: return ConvertDownTableAvx2;
        case KernelPath::kAvx512: return ConvertDownTableAvx512;
#endif
        default: return nullptr;
    }
}

TableCode<UpTable> UpCode(KernelPath path) {
    switch (path) {
        case KernelPath::kPortable: return ConvertUpTablePortable;
#if defined(__x86_64__) || defined(__i386__)
        case KernelPath::kAvx2: return ConvertUpTableAvx2;
        case KernelPath::kAvx512: return ConvertUpTableAvx512;
#endif
        default: return nullptr;
    }
}

template <typename Interface, typename Table>
class TableKernel final : public Interface {
public:
    TableKernel(Table table, TableCode<Table> code) : table_(std::move(table)), code_(code) {}
    void Convert(short* dst) override { code_(table_, dst); }

private:
    Table table_;
    TableCode<Table> code_;
};

}  // namespace

std::unique_ptr<DownKernel> MakeTableDownKernel(const CDownSampler& converter, KernelPath path) {
    const TableCode<DownTable> code = DownCode(path);
    if (code == nullptr || !KernelPathAvailable(path)) return nullptr;
    const std::optional<TablePlan> plan = PlanDownTable(converter);
    if (!plan) return nullptr;
    return std::make_unique<TableKernel<DownKernel, DownTable>>(MakeDownTable(converter, *plan),
                                                                code);
}

std::unique_ptr<UpKernel> MakeTableUpKernel(const CUpSampler& converter, KernelPath path) {
    const TableCode<UpTable> code = UpCode(path);
    if (code == nullptr || !KernelPathAvailable(path)) return nullptr;
    const std::optional<TablePlan> plan = PlanUpTable(converter);
    if (!plan) return nullptr;
    return std::make_unique<TableKernel<UpKernel, UpTable>>(MakeUpTable(converter, *plan), code);
}

}  // namespace velumor
