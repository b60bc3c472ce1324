// The core's throughput on archives of 10,000 and 1,000,000 records:
// decoding the instrument's files and yielding every row, computing the
// rows of a decoded object, writing the archive report, saving and loading
// a saved archive, the spreadsheet exports, and the survey protocol.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "core/archive/saved_archive.h"
#include "core/base/cp1251.h"
#include "core/output/summary.h"
#include "core/output/chart_data.h"
#include "core/output/csv_export.h"
#include "core/output/protocol.h"
#include "core/output/protocol_layout.h"
#include "core/output/report.h"
#include "core/output/workbook.h"
#include "core/storage/file_io.h"
#include "support/test_support.h"

using namespace tkq;

namespace {

constexpr const char* kVersion = "TARVIK 59.11.03.04";
// 01.01.2000 00:00:00. A record every half hour: a million records (and
// their gaps) end in 2057, within the years the instrument's clock counts
// (an hourly archive would run past 2106, where 32-bit seconds wrap).
constexpr uint32_t kStart = 946684800;
constexpr uint32_t kPeriod = 1800;

// A half-hourly archive with growing totals, a gap every 1000 records and
// an abnormal situation every 50 records.
struct RawFiles {
  test::Bytes arc;
  test::Bytes err;
};

const RawFiles& Raw(size_t n) {
  static std::map<size_t, RawFiles> cache;
  auto it = cache.find(n);
  if (it != cache.end()) return it->second;
  RawFiles files;
  files.arc.reserve(n * 13);
  uint32_t t = kStart;
  for (size_t i = 0; i < n; ++i) {
    t += (i % 1000 == 999) ? 2 * kPeriod : kPeriod;
    test::AppendMeasurement(files.arc, t, 1000.0f + 0.75f * static_cast<float>(i),
                            10.0f + 0.01f * static_cast<float>(i));
    if (i % 50 == 25) test::AppendAbnormal(files.err, t - 1200, t + 600, static_cast<uint8_t>(1 + i % 6));
  }
  return cache.emplace(n, std::move(files)).first->second;
}

CReadParamClass& Description() {
  static auto d = test::BuiltInDescription();
  return *d;
}

std::unique_ptr<CObjectDefinition> Decoded(size_t n) {
  const RawFiles& raw = Raw(n);
  auto obj = std::make_unique<CObjectDefinition>();
  obj->m_strDeviceId = std::string(kVersion) + " 0001";
  const auto files = test::MakeParamFiles(Description(), kVersion, 0, 1);
  obj->m_parBytes = files.par;
  obj->m_devBytes = files.dev;
  obj->DecodeDeviceFiles(Description(), raw.arc, raw.err, {});
  return obj;
}

float AllRows(CObjectDefinition& obj) {
  float sum = 0.0f;
  const int32_t count = obj.GetRowCount();
  if (count == 0 || !obj.MoveFirstRow()) return sum;
  float v1, v2, p;
  int64_t s, e;
  std::string_view text;
  for (int32_t i = 0; i < count; ++i) {
    obj.GetRow(v1, v2, s, e, p, text);
    sum += v1 + v2 + p;
    obj.MoveNextRow();
  }
  return sum;
}

void Rates(benchmark::State& state, size_t records, size_t bytes) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * records));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void DecodeAndYieldRows(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  const RawFiles& raw = Raw(n);
  for (auto _ : state) {
    auto obj = Decoded(n);
    obj->SetOutputTypes(1, 0, 0, 0, 0);
    benchmark::DoNotOptimize(AllRows(*obj));
  }
  Rates(state, n, raw.arc.size() + raw.err.size());
}

void ComputeEveryRow(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  auto obj = Decoded(n);
  obj->SetOutputTypes(1, 1, 0, 0, 0);
  for (auto _ : state) benchmark::DoNotOptimize(AllRows(*obj));
  Rates(state, n, n * 13);
}

class NullSink : public CReportSink {
 public:
  void Write(std::string_view bytes) override { m_bytes += bytes.size(); }
  size_t m_bytes = 0;
};

void WriteReportFormatting(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  auto obj = Decoded(n);
  size_t bytes = 0;
  for (auto _ : state) {
    NullSink sink;
    WriteArchiveReport(*obj, CColumnSwitches{}, sink);
    bytes = sink.m_bytes;
  }
  Rates(state, n, bytes);
}

std::filesystem::path BenchFile(const char* name) { return std::filesystem::temp_directory_path() / name; }

void WriteReportFile(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  auto obj = Decoded(n);
  const auto path = BenchFile("tkq-bench-report.txt");
  for (auto _ : state) {
    CAtomicFile file(path);
    CAtomicFileSink sink(file);
    WriteArchiveReport(*obj, CColumnSwitches{}, sink);
    file.Commit();
  }
  Rates(state, n, std::filesystem::file_size(path));
  std::filesystem::remove(path);
}

void SaveArchiveFile(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  auto obj = Decoded(n);
  const auto path = BenchFile("tkq-bench.sav");
  for (auto _ : state) SaveSavedArchive(path, *obj);
  Rates(state, n, std::filesystem::file_size(path));
  std::filesystem::remove(path);
}

void LoadArchiveFile(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  const auto path = BenchFile("tkq-bench-load.sav");
  SaveSavedArchive(path, *Decoded(n));
  for (auto _ : state) {
    auto obj = LoadSavedArchive(path, Description());
    benchmark::DoNotOptimize(obj->m_arcRecords.GetSize());
  }
  Rates(state, n, std::filesystem::file_size(path));
  std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(DecodeAndYieldRows)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(ComputeEveryRow)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteReportFormatting)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteReportFile)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveArchiveFile)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadArchiveFile)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The chart's copy of the rows, as a chart window builds it.
void BuildChartData(benchmark::State& state) {
  auto obj = Decoded(static_cast<size_t>(state.range(0)));
  const std::vector<int32_t> rows = obj->RowPositions();
  for (auto _ : state) {
    CChartData data(*obj, rows);
    benchmark::DoNotOptimize(data.GetRowCount());
    state.counters["MB"] = static_cast<double>(data.MemoryBytes()) / 1e6;
  }
}
BENCHMARK(BuildChartData)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// One repaint's line: the whole range, then a tenth of it, reduced to
// 1,600 pixel columns.
void ReduceChartSeries(benchmark::State& state) {
  auto obj = Decoded(static_cast<size_t>(state.range(0)));
  const CChartData data(*obj);
  const int64_t from = data.FirstTime();
  const int64_t span = data.LastTime() - from;
  for (auto _ : state) {
    benchmark::DoNotOptimize(data.Reduce(0, from, from + span, 1600).size());
    benchmark::DoNotOptimize(data.Reduce(1, from + span / 2, from + span / 2 + span / 10, 1600).size());
  }
}
BENCHMARK(ReduceChartSeries)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The summary by days, months and the whole archive (target: 200 ms for a
// million records), of changes and of rates with totals.
void MakeTheSummary(benchmark::State& state) {
  auto obj = Decoded(static_cast<size_t>(state.range(0)));
  obj->SetOutputTypes(0, 0, static_cast<uint8_t>(state.range(1)), 0, 0);
  for (auto _ : state) {
    const CSummary summary = MakeSummary(*obj, 8);
    benchmark::DoNotOptimize(summary.days.size());
    state.counters["days"] = static_cast<double>(summary.days.size());
  }
}
BENCHMARK(MakeTheSummary)->Args({10000, 1})->Args({1000000, 1})->Args({1000000, 2})->Unit(benchmark::kMillisecond);

namespace {

// The process's memory in kB from /proc/self/status: "VmRSS" now,
// "VmHWM" its peak since the last ResetPeakMemory().
long StatusKb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with(field + ":")) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

// Makes the peak the present size; false where the kernel does not allow it.
bool ResetPeakMemory() { return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5" << std::flush); }

// An export of the open archive, timed, with the growth of the process's
// peak memory over the open archive's ("peak_MB") and the file's size.
template <class Write>
void ExportArchive(benchmark::State& state, const char* name, Write write) {
  auto obj = Decoded(static_cast<size_t>(state.range(0)));
  const auto path = BenchFile(name);
  double peak = 0.0;
  for (auto _ : state) {
    const bool reset = ResetPeakMemory();
    const long before = StatusKb("VmRSS");
    write(path, *obj);
    peak = std::max(peak, reset ? static_cast<double>(StatusKb("VmHWM") - before) / 1024.0 : -1.0);
  }
  state.counters["peak_MB"] = peak;
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  Rates(state, static_cast<size_t>(state.range(0)), std::filesystem::file_size(path));
  std::filesystem::remove(path);
}

}  // namespace

void ExportWorkbook(benchmark::State& state) {
  ExportArchive(state, "tkq-bench.xlsx", [](const std::filesystem::path& path, const CObjectDefinition& obj) {
    WriteArchiveWorkbook(path, obj, CColumnSwitches{}, {"tkq_bench", "1"});
  });
}
BENCHMARK(ExportWorkbook)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void ExportCsv(benchmark::State& state) {
  ExportArchive(state, "tkq-bench.csv", [](const std::filesystem::path& path, const CObjectDefinition& obj) {
    WriteArchiveCsvFile(path, obj, ECsvView::kArchive);
  });
}
BENCHMARK(ExportCsv)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

namespace {

// A year of hourly records with an abnormal situation every 50 hours.
std::unique_ptr<CObjectDefinition> HourlyYear() {
  test::Bytes err;
  constexpr uint32_t kHour = 3600;
  for (uint32_t h = 25; h < 8760; h += 50) test::AppendAbnormal(err, kStart + h * kHour, kStart + h * kHour + 900, 2);
  return test::MakeObject(Description(), kVersion, 0, 1, 8761, err, kStart, kHour);
}

CProtocolOptions YearOptions(const CObjectDefinition& obj) {
  CProtocolOptions options;
  options.requisites = {"ООО «Лаборатория»", "", "Иванов И. И.", "инженер"};
  options.survey = {"1", "ул. Первая, 1", "МУП «Водоканал»", "Без замечаний."};
  options.date = "01.01.2001";
  options.table = EProtocolTable::kDays;
  options.params = DefaultProtocolParams(obj.m_paramTree);
  return options;
}

// Glyphs of one width per face, at 300 dpi: the layout's own work only.
class CFixedMeasure : public CProtocolMeasure {
 public:
  double Width(std::string_view text, EProtocolFont font) const override {
    return static_cast<double>(Utf8Length(text)) * LineHeight(font) * 0.3;
  }
  double LineHeight(EProtocolFont font) const override {
    static const double kPoints[kProtocolFontCount] = {10, 10, 8, 8, 11, 14};
    return kPoints[static_cast<int>(font)] * 300 / 72 * 1.2;
  }
};

}  // namespace

// The survey protocol of a year of hourly records with its table of days:
// its content from the summary, and that laid out on A4 pages (a few ms).
void MakeProtocolOfAYear(benchmark::State& state) {
  const auto obj = HourlyYear();
  const CProtocolOptions options = YearOptions(*obj);
  for (auto _ : state) {
    const CProtocolDocument doc = MakeProtocol(*obj, options);
    benchmark::DoNotOptimize(doc.blocks.size());
  }
}
BENCHMARK(MakeProtocolOfAYear)->Unit(benchmark::kMillisecond);

void LayOutProtocolOfAYear(benchmark::State& state) {
  const auto obj = HourlyYear();
  const CProtocolDocument doc = MakeProtocol(*obj, YearOptions(*obj));
  const double dots = 300 / 25.4;
  const CProtocolLayoutInput input{
      {(kProtocolPaperWidthMm - kProtocolMarginLeftMm - kProtocolMarginRightMm) * dots,
       (kProtocolPaperHeightMm - kProtocolMarginTopMm - kProtocolMarginBottomMm) * dots, dots},
      0};
  const CFixedMeasure measure;
  for (auto _ : state) {
    const std::vector<CProtocolPage> pages = LayOutProtocol(doc, measure, input);
    state.counters["pages"] = static_cast<double>(pages.size());
  }
}
BENCHMARK(LayOutProtocolOfAYear)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
