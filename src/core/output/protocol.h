#pragma once
// The survey protocol: the document the technician hands to the client,
// made from one archive. Here it is content only, a list of blocks (title,
// headings, label-and-value fields, tables, the chart's place, free text,
// the signatures), every figure taken from the summary and its table;
// protocol_layout lays it out on pages for printing and PDF, protocol_odt
// writes it as an OpenDocument text.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/output/print_layout.h"
#include "core/output/report.h"

namespace tkq {

class CObjectDefinition;
class CParamTree;
struct CSummary;

// Who makes the protocol: typed once, kept in the program's profile.
struct CProtocolRequisites {
  std::string organisation;
  std::string logoPath;  // an image file (UTF-8 path); empty: no logo
  std::string technician;
  std::string position;
};

// What is typed for one survey: kept with it in the survey journal, so
// that a second protocol of the same survey starts from them.
struct CProtocolSurveyFields {
  std::string number;
  std::string address;
  std::string client;
  std::string remarks;  // line feeds between paragraphs
  bool operator==(const CProtocolSurveyFields&) const = default;
};

// The table of periods: days, months, none, or chosen by the archive's
// length (months past kProtocolDaysAtMost days, else days).
enum class EProtocolTable : uint8_t { kAuto, kDays, kMonths, kNone };
inline constexpr int kProtocolDaysAtMost = 62;

// The page: A4 portrait, its margins, and the chart's size on it, the same
// in the PDF and in the OpenDocument text.
inline constexpr double kProtocolPaperWidthMm = 210;
inline constexpr double kProtocolPaperHeightMm = 297;
inline constexpr double kProtocolMarginLeftMm = 20;
inline constexpr double kProtocolMarginRightMm = 10;
inline constexpr double kProtocolMarginTopMm = 15;
inline constexpr double kProtocolMarginBottomMm = 15;
inline constexpr double kProtocolChartHeightMm = 90;
inline constexpr double kProtocolLogoHeightMm = 15;
inline constexpr double kProtocolLogoWidthMm = 50;

struct CProtocolOptions {
  CProtocolRequisites requisites;
  CProtocolSurveyFields survey;
  std::string date;  // the document's date, "ДД.ММ.ГГГГ"
  EProtocolTable table = EProtocolTable::kAuto;
  bool chart = true;
  bool situations = true;
  // The parameter rows to list, by name (CParamTreeItem::name), in the
  // tree's order; names the tree does not hold are left out.
  std::vector<std::string> params;
  int reportingHour = 0;  // of the summary, 0..23
};

// The parameter rows ticked when the user has chosen none: what the tree
// holds about the measuring point (the pipe, the liquid, the installation,
// the archive's period, the serial number).
std::vector<std::string> DefaultProtocolParams(const CParamTree& tree);

enum class EProtocolBlock : uint8_t {
  kTitle,       // text: the document's title lines (line feeds between)
  kHeading,     // text: a section's heading
  kFields,      // fields: a label and its value a line
  kParagraph,   // text: free text, line feeds between paragraphs
  kTable,       // table
  kChart,       // the chart of the two values over the period
  kSignatures,  // signatures
};

struct CProtocolTable {
  std::vector<std::string> captions;  // the header row, repeated on every page the table runs on
  std::vector<EPrintAlign> align;     // each column's cells (captions are centred)
  std::vector<std::vector<std::string>> rows;
  bool lastRowIsTotal = false;  // the summary's «Всего» line, set in bold
};

// One side of the signature block: «Обследование провел» or
// «Представитель потребителя», the name and position (empty: a line to
// write on), then lines for the signature and the date.
struct CProtocolSignature {
  std::string role;
  std::string name;
  std::string position;
};

struct CProtocolBlock {
  EProtocolBlock kind = EProtocolBlock::kParagraph;
  std::string text;
  std::vector<std::pair<std::string, std::string>> fields;
  CProtocolTable table;
  std::vector<CProtocolSignature> signatures;
};

struct CProtocolDocument {
  std::string organisation;  // heads the first page (with the logo); may be empty
  std::string logoPath;      // as in the requisites
  std::vector<CProtocolBlock> blocks;
  bool HasChart() const;
};

// The protocol of `object` under its current output choices (the view
// settings' two values), its parameter rows from `object`'s parameter tree.
// Throws std::invalid_argument for a reporting hour outside 0..23.
CProtocolDocument MakeProtocol(const CObjectDefinition& object, const CProtocolOptions& options);

// The table kAuto stands for with `summary`: kNone without rows, kMonths
// when the archive spans more than kProtocolDaysAtMost days, else kDays.
EProtocolTable ProtocolTableFor(const CSummary& summary, EProtocolTable choice);

// "Страница N из M" as the protocol's pages say it.
std::string ProtocolPageText(int page, int pageCount);

}  // namespace tkq
