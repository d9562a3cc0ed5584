// What a login costs a call: one plan export call (gate, newest timestamp,
// a page of 100 rows) on a scale-10 demo database, through the embedded
// backend and through ODBC (the SQLite ODBC driver) with the session pool on
// and off. The counter logins_per_call counts SQLDriverConnect calls that
// reached the driver; on a server each is a network login.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/BenchDatabase.h"
#include "odbc_backend/OdbcSession.h"
#include "ovardx/clsArapPlan.h"
#include "registry/LibrarySettings.h"

namespace ovardx::bench {
namespace {

constexpr int kScale = 10;

// The SQLite ODBC driver in a private odbcinst.ini, once per program.
const std::string& OdbcConnectString() {
    static const std::string connectString = [] {
        const BenchDatabase& database = BenchDatabase::Get(kScale);
        std::ofstream(database.Folder() / "odbcinst.ini")
            << "[OVArDX SQLite3]\nDriver=" << OVARDX_SQLITE_ODBC_DRIVER << "\n";
        ::setenv("ODBCSYSINI", database.Folder().c_str(), 1);
        return "Driver=OVArDX SQLite3;Database=" + database.Path().string() + ";NoCreat=1;LoadExt=" +
               OVARDX_SQLITE_EXTENSION;
    }();
    return connectString;
}

void ExportCalls(benchmark::State& state, const std::string& connectString, int idleSeconds) {
    LibrarySettings settings = ThreadSettings();
    settings.odbcPoolIdleSeconds = idleSeconds;
    SetThreadSettings(settings);
    std::string props = "ConnectString={" + connectString + "};UserID=16;Setuptype=standard;Language=chs";
    const std::uint64_t before = odbc::LoginCount();
    for (auto _ : state) {
        clsArapPlan plan;
        std::string xml, timeStamp, maxTimeStamp, error;
        if (!plan.Export(props, xml, 100, timeStamp, maxTimeStamp, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(xml);
    }
    state.counters["logins_per_call"] = benchmark::Counter(
        static_cast<double>(odbc::LoginCount() - before) / static_cast<double>(state.iterations()));
}

void BM_EmbeddedCall(benchmark::State& state) {
    ExportCalls(state, "Provider=SQLite;Data Source=" + BenchDatabase::Get(kScale).Path().string(), 60);
}
void BM_OdbcCallPooled(benchmark::State& state) { ExportCalls(state, OdbcConnectString(), 60); }
void BM_OdbcCallUnpooled(benchmark::State& state) { ExportCalls(state, OdbcConnectString(), 0); }

BENCHMARK(BM_EmbeddedCall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OdbcCallPooled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OdbcCallUnpooled)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ovardx::bench
