// The survey journal with 10,000 surveys: what keeping a read adds to
// writing its file, opening the journal (as `journal list` does), listing
// every survey with and without a filter, and rebuilding the index from
// the files (run once: it loads every file).

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/archive/saved_archive.h"
#include "core/journal/survey_journal.h"
#include "journal_fixture.h"
#include "support/test_support.h"

using namespace tkq;

namespace {

namespace fs = std::filesystem;

constexpr size_t kSurveys = 10000;

CReadParamClass& Description() {
  static auto d = test::BuiltInDescription();
  return *d;
}

const fs::path& Folder() {
  static const fs::path folder = bench::JournalFixture(Description(), kSurveys);
  return folder;
}

CObjectDefinition& Object() {
  static auto objects = bench::GeneratedObjects(Description());
  return *objects[0];
}

// Writing a survey's file alone, as every save does.
void BM_SaveAlone(benchmark::State& state) {
  test::TempDir dir;
  size_t i = kSurveys;
  for (auto _ : state) {
    bench::MakeSurvey(Object(), i);
    Object().m_strDeviceId.append(1, ' ').append(std::to_string(i));
    SaveSavedArchive(dir / SurveyFileName(Object()), Object());
    ++i;
  }
}
BENCHMARK(BM_SaveAlone)->Unit(benchmark::kMillisecond);

// Keeping a survey in the journal of 10,000: hashing, the name, writing
// the file and indexing it. What it adds is this less BM_SaveAlone.
void BM_Keep(benchmark::State& state) {
  CSurveyJournal journal(Folder(), Description());
  std::vector<fs::path> kept;
  size_t i = 2 * kSurveys;
  for (auto _ : state) {
    // One object throughout: the identification tells the surveys apart.
    bench::MakeSurvey(Object(), i);
    Object().m_strDeviceId.append(1, ' ').append(std::to_string(i++));
    const CKeptSurvey survey = journal.Keep(Object());
    if (survey.alreadyKept) state.SkipWithError("a survey equal to one kept");
    kept.push_back(survey.path);
  }
  // The fixture as it was (outside the timed loop).
  for (const auto& path : kept) fs::remove(path);
  journal.Rebuild();
}
BENCHMARK(BM_Keep)->Unit(benchmark::kMillisecond);

// Opening the journal: the index checked and the folder compared with it.
void BM_Open(benchmark::State& state) {
  Folder();
  for (auto _ : state) {
    CSurveyJournal journal(Folder(), Description());
    benchmark::DoNotOptimize(journal.OpeningChanges());
  }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);

void BM_List(benchmark::State& state, CSurveyFilter filter) {
  CSurveyJournal journal(Folder(), Description());
  size_t found = 0;
  for (auto _ : state) found = journal.List(filter).size();
  state.counters["surveys"] = static_cast<double>(found);
}
BENCHMARK_CAPTURE(BM_List, everything, CSurveyFilter{})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_List, text, CSurveyFilter{"", 0, 0, 0, "котельная ЛЕНИНА"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_List, object, CSurveyFilter{"", 7, 0, 0, ""})->Unit(benchmark::kMillisecond);

// A list at hand filtered keystroke by keystroke, as the window does.
void BM_MatchAtHand(benchmark::State& state) {
  CSurveyJournal journal(Folder(), Description());
  const auto all = journal.List();
  const CSurveyFilter filter{"", 0, 0, 0, "школа 5"};
  size_t found = 0;
  for (auto _ : state) {
    found = 0;
    for (const auto& entry : all) found += SurveyMatches(entry, filter) ? 1 : 0;
  }
  state.counters["surveys"] = static_cast<double>(found);
}
BENCHMARK(BM_MatchAtHand)->Unit(benchmark::kMillisecond);

// Every file loaded again and indexed anew.
void BM_RebuildEverything(benchmark::State& state) {
  CSurveyJournal journal(Folder(), Description());
  for (auto _ : state) benchmark::DoNotOptimize(journal.Rebuild(true));
}
BENCHMARK(BM_RebuildEverything)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
