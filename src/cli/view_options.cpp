#include "cli/view_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iterator>
#include <ostream>
#include <sstream>
#include <vector>

#include "cli/number_option.h"

namespace tkq::cli {
namespace {

constexpr std::pair<const char*, bool CColumnSwitches::*> kColumns[] = {
    {"number", &CColumnSwitches::m_bShowNumber},    {"first", &CColumnSwitches::m_bShowFirst},
    {"second", &CColumnSwitches::m_bShowSecond},    {"start", &CColumnSwitches::m_bShowIntervalStart},
    {"end", &CColumnSwitches::m_bShowIntervalEnd},  {"time", &CColumnSwitches::m_bShowArchivingTime},
    {"abnormal", &CColumnSwitches::m_bShowAbnormal}};

// "A,B": two numbers 0..255.
std::optional<std::pair<uint8_t, uint8_t>> ParsePair(const std::string& text) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return std::nullopt;
  const auto a = ParseDecimal(std::string_view(text).substr(0, comma), 0, 255);
  const auto b = ParseDecimal(std::string_view(text).substr(comma + 1), 0, 255);
  if (!a || !b) return std::nullopt;
  return std::pair{static_cast<uint8_t>(*a), static_cast<uint8_t>(*b)};
}

void AddPairOption(CLI::App& command, const std::string& name, std::optional<std::pair<uint8_t, uint8_t>>& value,
                   const std::string& example, const std::string& description) {
  command
      .add_option_function<std::string>(
          name,
          [&value, name, example](const std::string& text) {
            value = ParsePair(text);
            if (!value) throw CLI::ValidationError(name + " takes two numbers, e.g. " + example);
          },
          description)
      ->type_name("A,B");
}

// The columns a list names; empty items are skipped.
CColumnSwitches ParseColumns(const std::string& text) {
  CColumnSwitches columns{false, false, false, false, false, false, false};
  std::stringstream list(text);
  std::string name;
  while (std::getline(list, name, ',')) {
    if (name.empty()) continue;
    const auto* known =
        std::find_if(std::begin(kColumns), std::end(kColumns), [&](const auto& entry) { return name == entry.first; });
    if (known == std::end(kColumns)) {
      throw CLI::ValidationError("unknown column " + name + " (number,first,second,start,end,time,abnormal)");
    }
    columns.*(known->second) = true;
  }
  return columns;
}

// "0..N-1" for a list of N entries (an empty list still allows 0).
std::string Range(const std::vector<std::string>& list) {
  return "0.." + std::to_string(std::max<size_t>(list.size(), 1) - 1);
}

bool Within(uint8_t position, const std::vector<std::string>& list) {
  return position < std::max<size_t>(list.size(), 1);
}

}  // namespace

void AddViewOptions(CLI::App& command, ViewOptions& options, bool withColumns) {
  AddPairOption(command, "--output-types", options.outputTypes, "1,0",
                "Output types of the first and second parameter: positions from 0 in the settings form's lists");
  AddPairOption(command, "--units", options.units, "0,1",
                "Units of the first and second parameter: positions from 0 in the settings form's lists");
  command.add_flag("--result", options.result, "Show the result parameter");
  if (!withColumns) return;
  command
      .add_option_function<std::string>(
          "--columns", [&options](const std::string& text) { options.columns = ParseColumns(text); },
          "The columns switched on, from number,first,second,start,end,time,abnormal (default: all)")
      ->type_name("LIST");
}

std::string ApplyViewOptions(const ViewOptions& options, CObjectDefinition& object, CColumnSwitches& columns) {
  const auto [ot1, ot2] = options.outputTypes.value_or(std::pair<uint8_t, uint8_t>{0, 0});
  const auto [unit1, unit2] = options.units.value_or(std::pair<uint8_t, uint8_t>{0, 0});
  if (options.result && !object.IsResultAvailable()) return "Результирующий параметр для этого архива недоступен";
  std::vector<std::string> types1, types2, units1, units2;
  object.GetOutputTypeNames(options.result, types1, types2);
  if (!Within(ot1, types1) || !Within(ot2, types2)) {
    return "Нет такого типа вывода: допустимы " + Range(types1) + " и " + Range(types2);
  }
  object.GetUnitNames(false, ot1, units1);
  object.GetUnitNames(true, ot2, units2);
  if (!Within(unit1, units1) || !Within(unit2, units2)) {
    return "Нет такой размерности: допустимы " + Range(units1) + " и " + Range(units2);
  }
  object.SetOutputTypes(ot1, unit1, ot2, unit2, options.result ? 1 : 0);
  columns = options.columns.value_or(CColumnSwitches{});
  return {};
}

void AddViewChoice(CLI::App& command, std::string& view) {
  command.add_option("--view", view, "The view: archive, abnormal or params")
      ->type_name("VIEW")
      ->required()
      ->check(CLI::IsMember({"archive", "abnormal", "params"}));
}

int ApplyViewOptionsTo(const std::string& view, const ViewOptions& options, CObjectDefinition& object,
                       CColumnSwitches& columns, CliContext& context) {
  if (view != "archive") return kExitSuccess;
  const std::string error = ApplyViewOptions(options, object, columns);
  if (error.empty()) return kExitSuccess;
  context.err << error << "\n";
  return kExitUsage;
}

int LoadArchiveForView(const ArchiveOptions& archive, const std::string& view, const ViewOptions& options,
                       LoadedArchive& loaded, CColumnSwitches& columns, CliContext& context) {
  if (const int status = LoadArchive(archive, loaded, context); status != kExitSuccess) return status;
  return ApplyViewOptionsTo(view, options, *loaded.object, columns, context);
}

}  // namespace tkq::cli
