#pragma once
// The survey protocol on pages: where every text, rule and picture of each
// page goes, in device units of the printable area (origin at its top left
// corner, y downwards). The drawing side measures its fonts through
// CProtocolMeasure and draws what a page says; nothing is decided there.
//
// Texts wrap at blanks within their column (a word longer than the column
// is broken); a table cut by a page repeats its header row on the next; a
// heading never ends a page; the chart, a label with its value, and each
// table row stay whole on a page; the signature block stays whole. Every
// page ends with "Страница N из M" at the bottom right.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/output/print_layout.h"
#include "core/output/protocol.h"

namespace tkq {

// The protocol's faces. Sizes in points: body 10, bold 10, small 8 (the
// tables), small bold 8 (their header and «Всего»), heading 11 bold,
// title 14 bold.
enum class EProtocolFont : uint8_t { kBody, kBold, kSmall, kSmallBold, kHeading, kTitle };
inline constexpr int kProtocolFontCount = 6;

// Measures a face on the device; `scale` shrinks it (a wide table is set
// smaller rather than run off the page).
class CProtocolMeasure {
 public:
  virtual ~CProtocolMeasure() = default;
  // The advance of a UTF-8 text on one line.
  virtual double Width(std::string_view text, EProtocolFont font) const = 0;
  // The distance from one line's top to the next's.
  virtual double LineHeight(EProtocolFont font) const = 0;
};

// The printable area in device units, and how many of them make a
// millimetre (spacing and the chart's height are set in millimetres).
struct CProtocolPageSize {
  double width = 0;
  double height = 0;
  double unitsPerMm = 0;
};

// A text placed with its top left corner at (x, y) on one line, in a box
// `width` wide in which `align` places it (the layout has already made it
// fit).
struct CLaidText {
  double x = 0;
  double y = 0;
  double width = 0;
  std::string text;
  EProtocolFont font = EProtocolFont::kBody;
  double scale = 1.0;
  EPrintAlign align = EPrintAlign::kLeft;
};

struct CLaidRule {
  double x1 = 0;
  double y1 = 0;
  double x2 = 0;
  double y2 = 0;
  bool thick = false;  // the table's frame and its header's underline
};

enum class EProtocolPicture : uint8_t { kLogo, kChart };

struct CLaidPicture {
  EProtocolPicture what = EProtocolPicture::kChart;
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

struct CProtocolPage {
  std::vector<CLaidText> texts;
  std::vector<CLaidRule> rules;
  std::vector<CLaidPicture> pictures;
};

struct CProtocolLayoutInput {
  CProtocolPageSize page;
  // The logo's width over its height (0: no logo, or it did not load);
  // it is drawn 15 mm high at most, 50 mm wide at most.
  double logoAspect = 0;
};

// The pages of `document`. Empty when the page is too small for one of
// the parts that are never cut (the title, the chart, a table's header
// with a row, the signatures): no page at all can be laid out.
std::vector<CProtocolPage> LayOutProtocol(const CProtocolDocument& document, const CProtocolMeasure& measure,
                                          const CProtocolLayoutInput& input);

}  // namespace tkq
