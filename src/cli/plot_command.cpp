// plot: the measurement archive as the program's chart, written as a PNG,
// SVG or PDF file with no display.

#include <CLI/CLI.hpp>
#include <QSize>
#include <QString>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "cli/archive_loading.h"
#include "cli/command.h"
#include "cli/gui_application.h"
#include "cli/number_option.h"
#include "cli/output_option.h"
#include "cli/view_options.h"
#include "core/base/rtc_time.h"
#include "render/archive_chart.h"
#include "render/chart_image.h"

namespace tkq::cli {
namespace {

constexpr int kDefaultWidth = 1200;
constexpr int kDefaultHeight = 600;
constexpr int kMinSide = 100;
constexpr int kMaxSide = 10000;

// Reads a time typed by hand from left to right.
class CTimeText {
 public:
  explicit CTimeText(std::string_view text) : m_text(text) {}

  bool AtEnd() const { return m_at == m_text.size(); }
  bool Next(char c) const { return !AtEnd() && m_text[m_at] == c; }
  bool Skip(char c) {
    if (!Next(c)) return false;
    ++m_at;
    return true;
  }
  // A number of `fewest` to `most` digits.
  bool Number(size_t fewest, size_t most, int& value) {
    size_t digits = 0;
    value = 0;
    while (digits < most && !AtEnd() && m_text[m_at] >= '0' && m_text[m_at] <= '9') {
      value = value * 10 + (m_text[m_at++] - '0');
      ++digits;
    }
    return digits >= fewest;
  }

 private:
  std::string_view m_text;
  size_t m_at = 0;
};

// Device seconds of "DD.MM.YYYY[ hh:mm[:ss]]" or "YYYY-MM-DD[Thh:mm[:ss]]"
// (a blank for the T too): the instrument's clock, no time zone. Nothing
// when the text is neither or names no moment the clock can show.
std::optional<int64_t> ParseDeviceTime(std::string_view text) {
  CTimeText in(text);
  int day = 0, month = 0, year = 0;
  const bool iso = text.size() > 4 && text[4] == '-';
  const bool date =
      iso ? in.Number(4, 4, year) && in.Skip('-') && in.Number(2, 2, month) && in.Skip('-') && in.Number(2, 2, day)
          : in.Number(1, 2, day) && in.Skip('.') && in.Number(1, 2, month) && in.Skip('.') && in.Number(4, 4, year);
  if (!date) return std::nullopt;
  int hour = 0, minute = 0, second = 0;
  if (!in.AtEnd()) {
    if (!(in.Skip(' ') || (iso && in.Skip('T')))) return std::nullopt;
    if (!in.Number(1, 2, hour) || !in.Skip(':') || !in.Number(2, 2, minute)) return std::nullopt;
    if (in.Skip(':') && !in.Number(2, 2, second)) return std::nullopt;
    if (!in.AtEnd()) return std::nullopt;
  }
  const std::chrono::year_month_day ymd{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                                        std::chrono::day(static_cast<unsigned>(day))};
  if (!ymd.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  const int64_t days = std::chrono::sys_days(ymd).time_since_epoch().count();
  const int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
  if (seconds < 0 || seconds > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  return seconds;
}

// "WxH", each side kMinSide..kMaxSide.
std::optional<QSize> ParseSize(std::string_view text) {
  const size_t x = text.find('x');
  if (x == std::string_view::npos) return std::nullopt;
  const auto width = ParseDecimal(text.substr(0, x), kMinSide, kMaxSide);
  const auto height = ParseDecimal(text.substr(x + 1), kMinSide, kMaxSide);
  if (!width || !height) return std::nullopt;
  return QSize(static_cast<int>(*width), static_cast<int>(*height));
}

// Whether a row's interval reaches into (from, to).
bool AnyRowWithin(const CChartData& data, double from, double to) {
  for (size_t row = 0; row < data.GetRowCount(); ++row) {
    const auto start = static_cast<double>(std::min(data.Start(row), data.End(row)));
    const auto end = static_cast<double>(std::max(data.Start(row), data.End(row)));
    if (start < to && end > from) return true;
  }
  return false;
}

void AddTimeOption(CLI::App& command, const std::string& name, std::optional<int64_t>& value,
                   const std::string& description) {
  command
      .add_option_function<std::string>(
          name,
          [&value, name](const std::string& text) {
            value = ParseDeviceTime(text);
            if (!value) {
              throw CLI::ValidationError(name +
                                         " takes a time from 01.01.1970 to 07.02.2106 as DD.MM.YYYY [hh:mm[:ss]] "
                                         "or YYYY-MM-DD[Thh:mm[:ss]], not \"" +
                                         text + "\"");
            }
          },
          description)
      ->type_name("TIME");
}

class PlotCommand : public Command {
 public:
  const char* Name() const override { return "plot"; }
  const char* Description() const override {
    return "Draw the measurement archive of a saved archive as the program's chart, to a PNG, SVG or PDF file";
  }

  void Setup(CLI::App& command) override {
    AddArchiveOptions(command, m_archive);
    // ".png, .svg or .pdf" (no .svg where Qt's SVG module is not built)
    const std::string endings =
        render::ChartImageFormatsText(render::EImageFormatNames::kSuffixes, QStringLiteral("or")).toStdString();
    AddOutputFileOption(
        command, endings,
        [this](const std::string& path) {
          if (!render::IsChartImageName(QString::fromStdString(path))) return false;
          m_output = path;
          return true;
        },
        "Write the chart to FILE: PNG, SVG or PDF by its extension");
    AddViewOptions(command, m_settings, false);
    AddTimeOption(command, "--from", m_from, "Show the archive from TIME on (default: its first record)");
    AddTimeOption(command, "--to", m_to, "Show the archive up to TIME (default: its last record)");
    command
        .add_option_function<std::string>(
            "--size",
            [this](const std::string& text) {
              const std::optional<QSize> size = ParseSize(text);
              if (!size) {
                throw CLI::ValidationError("--size takes WIDTHxHEIGHT, each " + std::to_string(kMinSide) + " to " +
                                           std::to_string(kMaxSide) + ", e.g. 1200x600, not \"" + text + "\"");
              }
              m_size = *size;
            },
            "The picture's size: pixels for a PNG or SVG, points for a PDF (default 1200x600)")
        ->type_name("WxH");
    command.add_flag("--no-title", m_noTitle,
                     "Leave out the title line (the object, its description and the time shown)");
    command.footer(
        "Both values are drawn as the archive table shows them under --output-types, --units and --result, each in a "
        "panel of its own over one time axis, under a title line naming the object, its description and the time "
        "shown (first to last), which --no-title leaves out. TIME is "
        "the instrument's clock, with no time zone: DD.MM.YYYY, DD.MM.YYYY hh:mm, DD.MM.YYYY hh:mm:ss, or "
        "YYYY-MM-DD with Thh:mm[:ss] or \" hh:mm[:ss]\". Without --from and --to the whole archive is shown. The "
        "file is written under another name and renamed when complete. Exit status 1 when there is nothing to draw "
        "(no records at all, or none from --from to --to) or the file cannot be written; 2 for a mistake on the "
        "command line (a bad TIME, --from not before --to) or a file that does not load.");
  }

  int Run(CliContext& context) override {
    if (m_from && m_to && *m_from >= *m_to) {
      context.err << "tarvik-kq: --from must be earlier than --to\n";
      return kExitUsage;
    }
    LoadedArchive loaded;
    CColumnSwitches columns;
    if (const int status = LoadArchiveForView(m_archive, "archive", m_settings, loaded, columns, context);
        status != kExitSuccess) {
      return status;
    }
    const CObjectDefinition& obj = *loaded.object;

    EnsureGuiApplication();
    render::CArchiveChart chart;
    chart.resize(m_size);
    chart.SetArchive(&obj, columns, false);
    const CChartData& data = chart.Data();
    if (data.GetRowCount() == 0) {
      context.err << "Нет записей архива измерений\n";
      return kExitFailure;
    }
    if (m_from || m_to) {
      // A bound not given is where the whole archive's view ends.
      const double from = m_from ? static_cast<double>(*m_from) : chart.From();
      const double to = m_to ? static_cast<double>(*m_to) : chart.To();
      if (!AnyRowWithin(data, from, to)) {
        const auto text = [](int64_t seconds) { return CRTCTime::Text(static_cast<uint32_t>(seconds)); };
        context.err << "Нет записей архива измерений";
        if (m_from) context.err << " с " << text(*m_from);
        if (m_to) context.err << " по " << text(*m_to);
        context.err << " (записи архива с " << text(data.FirstTime()) << " по " << text(data.LastTime()) << ")\n";
        return kExitFailure;
      }
      chart.ShowRange(from, to);
    }

    QString error;
    if (!chart.SaveImage(QString::fromStdString(m_output), m_size, error, !m_noTitle)) {
      context.err << "Не удается записать файл " << m_output << ": " << error.toStdString() << "\n";
      return kExitFailure;
    }
    return kExitSuccess;
  }

 private:
  ArchiveOptions m_archive;
  std::string m_output;
  ViewOptions m_settings;
  std::optional<int64_t> m_from;
  std::optional<int64_t> m_to;
  QSize m_size{kDefaultWidth, kDefaultHeight};
  bool m_noTitle = false;
};

}  // namespace

std::unique_ptr<Command> MakePlotCommand() { return std::make_unique<PlotCommand>(); }

}  // namespace tkq::cli
