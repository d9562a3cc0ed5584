// Writing and reading plan documents of growing size: the time per record
// should stay flat up to 100,000 records (no quadratic work).
#include <benchmark/benchmark.h>

#include <string>

#include "xml/LibxmlComponents.h"

namespace ovardx {
namespace {

std::shared_ptr<ValueVector> PlanList(int count) {
    auto list = NewList();
    for (int i = 0; i < count; ++i) {
        auto customer = NewRecord();
        customer->SetValue("Number", "C" + std::to_string(i % 500));
        customer->SetValue("Name", "Customer & Co");
        customer->SetValue("UUID", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
        auto record = NewRecord();
        record->SetValue("FNumber", "AR-" + std::to_string(i));
        record->SetValue("FArDate", DateTime{2024, 3, 5});
        record->SetValue("FExchangerate", 6.8);
        record->SetValue("FAmountFor", 1234.5 + i);
        record->SetValue("FModifyTime", Bytes{0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(i >> 8),
                                              static_cast<std::uint8_t>(i)});
        record->SetObject("FCustomer", customer);
        record->SetObject("FCurrency", customer);
        record->SetValue("FContractNo", "HT-1");
        record->SetValue("FContractID", 7);
        list->Add(record);
    }
    return list;
}

std::string SchemaPath() { return std::string(OVARDX_SCHEMA_DIR) + "/ArApPlan.xsd"; }

void BM_WritePlanDocument(benchmark::State& state) {
    auto list = PlanList(static_cast<int>(state.range(0)));
    auto writer = CreateXmlWriter();
    std::string schema = SchemaPath();
    std::string root = "ArApPlan";
    for (auto _ : state) {
        std::string xml;
        std::string error;
        writer->OutputXMLString(list, xml, schema, root, error);
        if (!error.empty()) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(xml);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ReadPlanDocument(benchmark::State& state) {
    auto list = PlanList(static_cast<int>(state.range(0)));
    std::string schema = SchemaPath();
    std::string root = "ArApPlan";
    std::string xml;
    std::string error;
    CreateXmlWriter()->OutputXMLString(list, xml, schema, root, error);
    auto reader = CreateXmlReader();
    for (auto _ : state) {
        std::shared_ptr<ValueVector> read;
        reader->InputXMLString(read, xml, schema, root, error);
        if (!error.empty()) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(read);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_WritePlanDocument)->RangeMultiplier(10)->Range(100, 100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPlanDocument)->RangeMultiplier(10)->Range(100, 100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ovardx
