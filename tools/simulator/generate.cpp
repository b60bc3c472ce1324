// A realistic instrument folder: the archives a Tarvik KQ keeps after months
// on a water main, with outages, abnormal situations and its settings.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <map>
#include <numbers>
#include <set>
#include <system_error>

#include "core/archive/records.h"
#include "core/description/param_layout.h"
#include "core/description/read_param_class.h"
#include "core/link/flash_names.h"
#include "simulator/instrument.h"

namespace tkq::sim {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kMaxRecords = 1000000;
constexpr uint32_t kMaxPeriod = 31 * 86400;
constexpr int kQuantityTypes = 7;

// A small generator of our own, so that a seed gives the same folder with
// every standard library.
class CRandom {
 public:
  explicit CRandom(uint64_t seed) : m_state(seed) {}
  uint64_t Next() {
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Between(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  // Uniform in [lo, hi].
  uint64_t Int(uint64_t lo, uint64_t hi) { return lo + Next() % (hi - lo + 1); }

 private:
  uint64_t m_state;
};

void PutU32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void AppendMeasurement(Bytes& file, uint32_t time, float value1, float value2, bool good) {
  const size_t at = file.size();
  PutU32(file, time);
  PutU32(file, std::bit_cast<uint32_t>(value1));
  PutU32(file, std::bit_cast<uint32_t>(value2));
  const uint8_t check = MeasurementCheckByte(file.data() + at);
  file.push_back(good ? check : static_cast<uint8_t>(check ^ 0x5A));
}

struct Abnormal {
  uint32_t begin;
  uint32_t end;
  uint8_t code;
};

// The pipe an object measures: objects differ in size.
struct Pipe {
  double outer;  // mm
  double wall;   // mm
  double Inner() const { return outer - 2 * wall; }
  double AreaM2() const { return std::numbers::pi * Inner() * Inner() / 4e6; }
};

Pipe PipeOf(int object) {
  static constexpr Pipe kPipes[] = {{108, 4}, {159, 4.5}, {219, 6}, {89, 3.5}, {133, 4}, {273, 7}, {57, 3}, {325, 8}};
  return kPipes[static_cast<size_t>(object - 1) % std::size(kPipes)];
}

// Everything the instrument counts over the archive, at every record.
struct Totals {
  double forward = 0;   // m3
  double backward = 0;  // m3
  double heat = 0;      // GJ
  double Quantity(int type, double flowM3h, const Pipe& pipe, double soundKmS) const {
    switch (type) {
      case 0: return forward;
      case 1: return backward;
      case 2: return soundKmS;
      case 3: return flowM3h / 3600.0 / pipe.AreaM2();
      case 4: return heat;
      case 5: return forward * 0.9995;
      default: return backward * 0.9995;
    }
  }
};

struct ObjectArchive {
  Bytes arc;
  Bytes err;
  uint32_t firstTime = 0;
  Totals totals;
};

// Outages of about six hours, a couple in a few thousand records.
size_t GapCount(size_t records) { return (records + 1000) / 3000; }
uint64_t MissingPerGap(uint32_t period) { return std::max<uint64_t>(1, 6 * 3600 / period); }

// The record times, oldest first, ending at `end`, with outages of about six
// hours (whole records missing) now and then.
bool RecordTimes(size_t n, uint32_t period, int64_t end, CRandom& rng, std::vector<uint32_t>& times,
                 std::string& error) {
  times.assign(n, 0);
  if (n == 0) return true;
  std::set<size_t> gapsBefore;
  const size_t gapCount = GapCount(n);
  for (size_t g = 0; g < gapCount; ++g) gapsBefore.insert(static_cast<size_t>(rng.Int(n / 10 + 1, n - n / 10 - 1)));
  const uint64_t missing = MissingPerGap(period);
  int64_t t = end;
  for (size_t i = n; i-- > 0;) {
    if (t <= 0) {
      error = "the archive would begin before 1970: give a later --end, fewer records or a shorter period";
      return false;
    }
    times[i] = static_cast<uint32_t>(t);
    t -= period;
    if (gapsBefore.count(i)) t -= static_cast<int64_t>(missing * period);
  }
  return true;
}

// Abnormal situations in time order, none overlapping another: some inside
// one interval, some covering whole intervals; always at least one of each
// kind in an archive of a dozen records or more.
std::vector<Abnormal> AbnormalSituations(const std::vector<uint32_t>& t, uint32_t period, CRandom& rng) {
  std::vector<Abnormal> out;
  const size_t n = t.size();
  if (n < 2) return out;
  // About four in a thousand hours.
  const double chance = std::min(0.3, 0.004 * period / 3600.0);
  const size_t forcedPart = n >= 12 ? n / 3 : SIZE_MAX;
  const size_t forcedWhole = n >= 12 ? 2 * n / 3 : SIZE_MAX;
  uint32_t lastEnd = 0;
  auto code = [&] {
    static constexpr uint8_t kCodes[] = {1, 1, 1, 2, 2, 3, 3, 4, 5, 6};
    return kCodes[rng.Int(0, std::size(kCodes) - 1)];
  };
  for (size_t i = 1; i < n; ++i) {
    const uint32_t s = t[i - 1], e = t[i];
    if (s < lastEnd || e - s != period) continue;  // inside the last one, or across an outage
    const bool forced = i == forcedPart || i == forcedWhole;
    if (!forced && rng.Unit() >= chance) continue;
    const bool whole = i == forcedWhole || (i != forcedPart && rng.Unit() < 0.4);
    Abnormal a{};
    if (whole) {
      a.begin = s - std::min<uint32_t>(s - lastEnd, static_cast<uint32_t>(rng.Int(0, period / 4)));
      size_t last = std::min(n - 1, i + static_cast<size_t>(rng.Int(0, 3)));
      while (last > i && t[last] - t[last - 1] != period) --last;
      // Ends within the interval after the last one it covers, or with the
      // archive.
      a.end = t[last];
      if (last + 1 < n)
        a.end = std::min<uint32_t>(a.end + static_cast<uint32_t>(rng.Int(0, period / 4)), t[last + 1] - 1);
    } else {
      const uint32_t length = std::max<uint32_t>(1, static_cast<uint32_t>(rng.Between(0.05, 0.5) * period));
      a.begin = s + static_cast<uint32_t>(rng.Int(0, period - length));
      a.end = a.begin + length;
    }
    a.code = code();
    out.push_back(a);
    lastEnd = a.end + 1;
  }
  return out;
}

// Seconds of [s, e] covered by abnormal situations, walking `k` forward.
double Covered(const std::vector<Abnormal>& ab, size_t& k, uint32_t s, uint32_t e) {
  while (k < ab.size() && ab[k].end <= s) ++k;
  double covered = 0;
  for (size_t j = k; j < ab.size() && ab[j].begin < e; ++j) {
    covered += std::min(ab[j].end, e) - std::max(ab[j].begin, s);
  }
  return covered;
}

ObjectArchive MakeArchive(const GenerateOptions& o, int object, const std::vector<uint32_t>& t,
                          const std::vector<Abnormal>& ab, CRandom& rng) {
  ObjectArchive out;
  const Pipe pipe = PipeOf(object);
  // A typical flow of about 1.2 m/s in this pipe, between a third and the
  // whole of it over a day.
  const double peak = 1.2 * pipe.AreaM2() * 3600.0 * rng.Between(0.8, 1.3);
  Totals totals;
  totals.forward = std::round(rng.Between(1000, 60000));
  totals.backward = std::round(rng.Between(0, 50) * 10) / 10;
  totals.heat = std::round(rng.Between(100, 5000));
  const size_t corrupt = o.corruptRecord && t.size() >= 4 ? t.size() / 2 : SIZE_MAX;
  size_t k = 0;
  out.arc.reserve(t.size() * 13);
  for (size_t i = 0; i < t.size(); ++i) {
    const double hour = std::fmod(t[i] / 3600.0, 24.0);
    const double daily = 0.65 + 0.35 * std::sin((hour - 9.0) / 24.0 * 2 * std::numbers::pi);
    double flow = peak * daily * rng.Between(0.9, 1.1);  // m3/h
    double backFlow = rng.Unit() < 0.03 ? rng.Between(0.05, 0.5) : 0.0;
    double sound = 1.4837 + 0.0015 * std::sin(t[i] / 86400.0 / 30.0) + rng.Between(-0.0003, 0.0003);
    if (i > 0) {
      // The instrument counts only the last interval before a record, and
      // nothing while an abnormal situation lasts.
      const uint32_t s = t[i] - std::min(t[i] - t[i - 1], o.period);
      const double free = 1.0 - std::min(1.0, Covered(ab, k, s, t[i]) / (t[i] - s));
      const double hours = (t[i] - s) / 3600.0 * free;
      totals.forward += flow * hours;
      totals.backward += backFlow * hours;
      totals.heat += flow * hours * 4.19e-3 * 20.0;
      if (free == 0.0) flow = backFlow = sound = 0.0;
    }
    AppendMeasurement(out.arc, t[i], static_cast<float>(totals.Quantity(o.firstType, flow, pipe, sound)),
                      static_cast<float>(totals.Quantity(o.secondType, flow, pipe, sound)), i != corrupt);
  }
  for (const auto& a : ab) {
    PutU32(out.err, a.begin);
    PutU32(out.err, a.end);
    out.err.push_back(a.code);
    out.err.push_back(0);
  }
  out.firstTime = t.empty() ? 0 : t.front();
  out.totals = totals;
  return out;
}

uint32_t SerialNumber(const GenerateOptions& o) {
  uint64_t n = 0;
  bool any = false;
  for (char c : o.serial) {
    if (c >= '0' && c <= '9' && n < 100000000) {
      n = n * 10 + static_cast<uint64_t>(c - '0');
      any = true;
    }
  }
  return any ? static_cast<uint32_t>(n) : 1000 + o.seed % 9000;
}

// The settings of one object as the instrument would hold them, by caption.
std::map<std::string, double> Settings(const GenerateOptions& o, int object, const ObjectArchive& a) {
  const Pipe pipe = PipeOf(object);
  std::map<std::string, double> v = {
      {"Номер текущего объекта:", object},
      {"Скорость передачи:", 3},  // 9600
      {"Длина окружности трубопровода, мм", std::round(std::numbers::pi * pipe.outer * 10) / 10},
      {"Толщина стенки трубопровода, мм", pipe.wall},
      {"Наружный диаметр трубопровода в плоскости датчиков, мм", pipe.outer},
      {"Схема установки:", 0},
      {"Тип жидкости:", 0},
      {"Наружный диаметр трубопровода, мм", pipe.outer},
      {"Задержка RTS, мс", 2},
      {"Единицы измерений:", 0},
      {"Период индикации, с", 1},
      {"Вязкость жидкости, сСт", 1.0},
      {"Шероховатость, мм", 0.1},
      {"Кор. скорости потока:", 0},
      {"Фазовая скорость ультразвука, км/с", 2.65},
      {"Толщина стенки, мм", pipe.wall},
      {"Материал стенки трубы:", 0},
      {"Внутреннее покрытие трубопровода:", 0},
      {"Толщина внутреннего покрытия, мм", 0},
      {"Нижний порог, м3/ч", 0.1},
      {"Смещение нуля, м3/ч", 0},
      {"Фазовая скорость, км/с", 2.65},
      {"Скорость ультразвука в жидкости после преобразования, км/с", 1.4837},
      {"Внутренний диаметр трубопровода, мм", pipe.Inner()},
      {"Измеренное расстояние между датчиками, мм", std::round(pipe.Inner() * 5.86) / 10},
      {"Расчетное расстояние между датчиками, мм", std::round(pipe.Inner() * 5.84) / 10},
      {"Число отражений УЗС", 1},
      {"Скорость ультразвука в жидкости, км/с", 1.4837},
      {"Уровень компаратора, В", 0.12},
      {"Амплитуда ЗИ:", 1},
      {"Смещение окна, мкс", 0},
      {"Инверсия зондирующего сигнала:", 0},
      {"Размер массива арифметического устреднения", 8},
      {"Электронный номер", 1},
      {"Температура жидкости, °С", 12.5},
      {"Объем вперед, м3", a.totals.forward},
      {"Объем назад, м3", a.totals.backward},
      {"Доп. задержка УЗС, мкс", 2.4},
      {"Смещение нуля, нс", 0.5},
      {"Температура ПЭА, °С", 20},
      {"Дополнительный коэффициент ", 1.0},
      {"Знак потока", 0},
      {"Знак потока:", 0},
      {"Усиление ", 24},
      {"Скорость ультразвука в стенке трубы, км/с", 3.23},
      {"Скорость ультразвука в стенке, км/с", 3.23},
      {"Скорость ультразвука в покрытии трубопровода, км/с", 2.3},
      {"Скорость ультразвука в покрытии, км/с", 2.3},
      {"Плотность другой жидкости, кг/м3", 1000},
      {"Время инерции, с", 10},
      {"Размер массива медианного усреднения", 5},
      {"Тип батареи:", 0},
      {"Планка максимума, В", 4.2},
      {"Величина спада напряжения, В", 0.3},
      {"Коэффициент преобразования кода в напряжение АБ, В", 0.0016},
      {"Коэффициент преобразования кода в напряжение АД, В", 0.0016},
      {"Первый параметр архивирования:", o.firstType},
      {"Второй параметр архивирования:", o.secondType},
      {"Период архива, с", o.period},
      {"Количество точек в архиве", static_cast<double>(o.records)},
      {"Шаг просмотра", 1},
      {"Уровень шумов, В", 0.05},
      {"Период опорного генератора", 0.0625},
      {"Частота опорного генератора", 16000000},
      {"Вторая температура, °С", 8.5},
      {"Давление в прямой, кгс/см2", 6.0},
      {"Давление в обратной, кгс/см2", 4.0},
      {"Тепловая энергия, ГДж", a.totals.heat},
      {"Масса прямая, т", a.totals.forward * 0.9995},
      {"Масса обратная, т", a.totals.backward * 0.9995},
      {"Доп. задержка УЗС ВЧ, мкс", 2.4},
      {"Доп. задержка УЗС НЧ, мкс", 3.1},
      {"Время последнего редактирования:", a.firstTime > 3 * 86400 ? a.firstTime - 3 * 86400 : a.firstTime},
      {"Заводской номер:", SerialNumber(o)},
  };
  for (int i = 1; i <= 16; ++i) v["Амплитуда " + std::to_string(i) + ", В"] = 2.5 - 0.12 * i;
  return v;
}

// Fills the rows of one source from the settings; the archive selectors
// are the version's own rows whatever their captions.
void Fill(Bytes& file, uint8_t source, const CParamLayout& layout, const CParamSet& rows, const CVersionDef& version,
          const GenerateOptions& o, const std::map<std::string, double>& settings) {
  for (const CParamSlot& slot : layout.slots) {
    if (slot.source != source) continue;
    const CParamDef* row = rows[static_cast<size_t>(slot.row)];
    if (slot.row == version.m_nFirstArchParam) {
      PutParamValue(file, slot, o.firstType);
    } else if (slot.row == version.m_nSecondArchParam) {
      PutParamValue(file, slot, o.secondType);
    } else if (auto it = settings.find(row->m_strCaption); it != settings.end()) {
      PutParamValue(file, slot, it->second);
    }
  }
}

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes, std::string& error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

// Whether the options describe archives the instrument could hold; if
// not, `error` says what is wrong.
bool CheckOptions(const GenerateOptions& o, std::string& error) {
  if (o.objects.empty()) {
    error = "no objects to generate";
    return false;
  }
  for (int object : o.objects) {
    if (object < 1 || object > 20) {
      error = "object numbers are 1 to 20, not " + std::to_string(object);
      return false;
    }
  }
  if (o.records > kMaxRecords) {
    error = "at most " + std::to_string(kMaxRecords) + " records per object";
    return false;
  }
  if (o.period < 1 || o.period > kMaxPeriod) {
    error = "the archive period must be 1 to " + std::to_string(kMaxPeriod) + " seconds";
    return false;
  }
  if (o.firstType < 0 || o.firstType >= kQuantityTypes || o.secondType < 0 || o.secondType >= kQuantityTypes) {
    error = "quantity types are 0 to " + std::to_string(kQuantityTypes - 1);
    return false;
  }
  if (o.end < 0 || o.end > int64_t{UINT32_MAX}) {
    error = "the end time must fit the instrument's 32-bit clock";
    return false;
  }
  return true;
}

// The identification the instrument answers with: its version and serial
// number, one a line.
bool WriteIdentification(const std::filesystem::path& dir, const GenerateOptions& o, std::string& error) {
  std::ofstream id(dir / "identification.txt", std::ios::binary | std::ios::trunc);
  id << o.version << "\n" << o.serial << "\n";
  if (!id.flush()) {
    error = "cannot write " + (dir / "identification.txt").string();
    return false;
  }
  return true;
}

}  // namespace

bool Generate(const std::filesystem::path& dir, const GenerateOptions& options, std::string& error) {
  const GenerateOptions& o = options;
  if (!CheckOptions(o, error)) return false;
  CReadParamClass description;
  description.LoadBuiltIn();
  if (!description.SelectVersion(o.version)) {
    error = "unknown version \"" + o.version + "\"; known:";
    for (const auto& name : description.VersionNames()) error += "\n  " + name;
    return false;
  }
  const CVersionDef& version = *description.CurrentVersion();
  const CParamSet* rows = description.m_paramSets[static_cast<size_t>(version.m_nParamSet)];
  const CParamLayout layout = LayoutOf(description, version);
  const int64_t end = o.end != 0 ? o.end : static_cast<int64_t>(std::time(nullptr)) / 3600 * 3600;
  const int64_t span =
      (static_cast<int64_t>(o.records) + static_cast<int64_t>(GapCount(o.records) * MissingPerGap(o.period))) *
      o.period;
  if (o.records > 0 && span >= end) {
    error = "the archive would begin before 1970: give a later --end, fewer records or a shorter period";
    return false;
  }

  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    error = "cannot create " + dir.string() + ": " + ec.message();
    return false;
  }
  if (!WriteIdentification(dir, o, error)) return false;

  const std::set<int> objects(o.objects.begin(), o.objects.end());
  bool first = true;
  for (int object : objects) {
    CRandom rng(uint64_t{o.seed} * 0x100000001B3ull + static_cast<uint64_t>(object));
    std::vector<uint32_t> times;
    if (!RecordTimes(o.records, o.period, end, rng, times, error)) return false;
    const std::vector<Abnormal> abnormals = AbnormalSituations(times, o.period, rng);
    const ObjectArchive archive = MakeArchive(o, object, times, abnormals, rng);
    const auto settings = Settings(o, object, archive);

    Bytes par(layout.parSize, 0);
    Fill(par, kSourceParamFile, layout, *rows, version, o, settings);
    // Additional data the instrument keeps beside the archives; read, not
    // interpreted.
    Bytes ads = {static_cast<uint8_t>(object), 0x01};
    PutU32(ads, o.period);
    PutU32(ads, static_cast<uint32_t>(o.records));
    PutU32(ads, archive.firstTime);
    ads.resize(16, 0);

    const std::string stem = HostFileName(ObjectFileName(static_cast<uint8_t>(object)), "");
    if (!WriteFile(dir / (stem + "arc"), archive.arc, error) || !WriteFile(dir / (stem + "err"), archive.err, error) ||
        !WriteFile(dir / (stem + "ads"), ads, error) || !WriteFile(dir / (stem + "par"), par, error)) {
      return false;
    }
    if (first) {
      // The system file is the instrument's, with the first object current.
      Bytes dev(layout.devSize, 0);
      Fill(dev, kSourceSystemFile, layout, *rows, version, o, settings);
      if (!WriteFile(dir / HostFileName(kSystemFileName, kSystemFileExt), dev, error)) return false;
      first = false;
    }
  }
  return true;
}

}  // namespace tkq::sim
