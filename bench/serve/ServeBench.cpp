// A page of 100 plan entries (the first page of a scale-100 demo database)
// asked for by 1, 4 and 16 clients at once: over HTTP from `ovardx serve` on
// 127.0.0.1 (keep-alive connections, one worker per client), and through
// clsArapPlan::Export in this process: one object per client thread, and a
// new object per call as the service makes them.
// Reports requests per second and latency percentiles, then the ratios of
// HTTP to in-process.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

#include "bench/BenchDatabase.h"
#include "ovardx/clsArapPlan.h"
#include "tools/ovardx/serve/KeyHash.h"
#include "tools/ovardx/serve/ServeConfig.h"
#include "tools/ovardx/serve/WebService.h"

namespace ovardx::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRequestsPerClient = 25;
constexpr int kPerCount = 100;

class QuietLog final : public serve::LogSink {
public:
    void Write(Level level, std::string_view line) override {
        if (level != Level::Info) std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    }
};

// The service on the benchmark database, started on first use.
class BenchService {
public:
    static BenchService& Get() {
        static BenchService service;
        return service;
    }
    int Port() const { return port_; }
    const std::string& Key() const { return key_; }
    ~BenchService() {
        service_->Stop();
        thread_.join();
    }

private:
    BenchService() : key_(serve::NewKey()) {
        serve::ServeConfig config;
        config.host = "127.0.0.1";
        config.port = 0;
        config.connectString = "Provider=SQLite;Data Source=" + BenchDatabase::Get().Path().string();
        config.workers = 16;
        config.keys.push_back({"bench", serve::HashKey(key_), 16, "chs"});
        service_ = std::make_unique<serve::WebService>(config, log_);
        port_ = service_->Bind();
        thread_ = std::thread([this] { service_->Run(); });
    }

    QuietLog log_;
    std::string key_;
    std::unique_ptr<serve::WebService> service_;
    int port_ = 0;
    std::thread thread_;
};

struct Figures {
    double perSecond = 0;
    double p50 = 0, p90 = 0, p99 = 0;  // milliseconds
    int failures = 0;
};
std::map<std::string, std::map<int, Figures>>& Results() {
    static std::map<std::string, std::map<int, Figures>> results;
    return results;
}

double Percentile(std::vector<double>& sorted, double share) {
    const std::size_t at = std::min(sorted.size() - 1, static_cast<std::size_t>(share * static_cast<double>(sorted.size())));
    return sorted[at];
}

// Runs `clients` threads of kRequestsPerClient calls each per iteration; a
// call answers whether it succeeded.
template <class MakeClient>
void RunClients(benchmark::State& state, const std::string& name, MakeClient makeClient) {
    const int clients = static_cast<int>(state.range(0));
    std::vector<double> latencies;
    std::mutex mutex;
    int failures = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        std::vector<std::thread> threads;
        for (int c = 0; c < clients; ++c)
            threads.emplace_back([&] {
                auto call = makeClient();
                std::vector<double> mine;
                int failed = 0;
                for (int r = 0; r < kRequestsPerClient; ++r) {
                    const auto begin = Clock::now();
                    if (!call()) ++failed;
                    mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
                }
                std::lock_guard lock(mutex);
                latencies.insert(latencies.end(), mine.begin(), mine.end());
                failures += failed;
            });
        for (std::thread& thread : threads) thread.join();
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        seconds += elapsed;
        state.SetIterationTime(elapsed);
    }
    std::sort(latencies.begin(), latencies.end());
    Figures figures{static_cast<double>(latencies.size()) / seconds, Percentile(latencies, 0.50),
                    Percentile(latencies, 0.90), Percentile(latencies, 0.99), failures};
    Results()[name][clients] = figures;
    state.counters["requests_per_s"] = figures.perSecond;
    state.counters["p50_ms"] = figures.p50;
    state.counters["p90_ms"] = figures.p90;
    state.counters["p99_ms"] = figures.p99;
    state.counters["failures"] = figures.failures;
    state.counters["requests"] = static_cast<double>(latencies.size());
    if (failures > 0) state.SkipWithError("some requests failed");
}

void BM_PlanPageOverHttp(benchmark::State& state) {
    BenchService& service = BenchService::Get();
    RunClients(state, "http", [&service] {
        auto client = std::make_shared<httplib::Client>("127.0.0.1", service.Port());
        client->set_keep_alive(true);
        client->set_read_timeout(60, 0);
        const httplib::Headers headers{{"Authorization", "Bearer " + service.Key()}};
        return [client, headers] {
            const auto result = client->Get("/v1/plan", {{"per-count", std::to_string(kPerCount)}}, headers);
            return result && result->status == 200 && result->body.size() > 1000;
        };
    });
}

void BM_PlanPageInProcess(benchmark::State& state) {
    const std::string props = BenchDatabase::Get().Props();
    RunClients(state, "in-process", [&props] {
        auto plan = std::make_shared<clsArapPlan>();
        return [plan, props] {
            std::string properties = props, xml, timeStamp, maxTimeStamp, error;
            return plan->Export(properties, xml, kPerCount, timeStamp, maxTimeStamp, error) && xml.size() > 1000;
        };
    });
}

// The service makes a new object for every request (objects belong to the
// thread that made them, and a worker serves many callers): the same here.
void BM_PlanPageInProcessNewObject(benchmark::State& state) {
    const std::string props = BenchDatabase::Get().Props();
    RunClients(state, "in-process, new object", [&props] {
        return [props] {
            clsArapPlan plan;
            std::string properties = props, xml, timeStamp, maxTimeStamp, error;
            return plan.Export(properties, xml, kPerCount, timeStamp, maxTimeStamp, error) && xml.size() > 1000;
        };
    });
}

BENCHMARK(BM_PlanPageInProcess)->Arg(1)->Arg(4)->Arg(16)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanPageInProcessNewObject)->Arg(1)->Arg(4)->Arg(16)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanPageOverHttp)->Arg(1)->Arg(4)->Arg(16)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void PrintRatios() {
    const auto& results = Results();
    if (!results.contains("http")) return;
    std::printf("\nHTTP against in-process (page of %d plan entries, %d requests per client and run):\n", kPerCount,
                kRequestsPerClient);
    std::printf("%-24s %8s %12s %12s %12s %12s\n", "against", "clients", "http req/s", "lib req/s", "req/s ratio",
                "p50, p99 x");
    for (const auto& [name, library] : results) {
        if (name == "http") continue;
        for (const auto& [clients, http] : results.at("http")) {
            const auto other = library.find(clients);
            if (other == library.end()) continue;
            std::printf("%-24s %8d %12.1f %12.1f %11.2fx %6.2fx %5.2fx\n", name.c_str(), clients, http.perSecond,
                        other->second.perSecond, http.perSecond / other->second.perSecond,
                        http.p50 / other->second.p50, http.p99 / other->second.p99);
        }
    }
}

}  // namespace
}  // namespace ovardx::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ovardx::bench::PrintRatios();
    return 0;
}
