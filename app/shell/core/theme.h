// The program's colours, fonts and font sizes by role, for the C++ painters
// and models. The QML documents read the same roles from
// qml/theme/Theme.qml; a test compares the two tables, so a colour or a size
// is changed in both or in neither.
// Colours are 0xAARRGGBB, the layout of QRgb.
#pragma once

#include <cstdint>
#include <string>

namespace theme {

// Price colours of every quote screen and chart
inline constexpr uint32_t kUpColor = 0xFFFF3D3Du;
inline constexpr uint32_t kDownColor = 0xFF0FC351u;
inline constexpr uint32_t kFlatColor = 0xFFFFFFFFu;
// Label and value colours of the quote panes
inline constexpr uint32_t kQuoteLabelColor = 0xFFD3D9DEu;
inline constexpr uint32_t kVolumeColor = 0xFFF58F22u;
inline constexpr uint32_t kAmountColor = 0xFF1A98FCu;
inline constexpr uint32_t kCodeNameColor = 0xFFE0BD80u;
inline constexpr uint32_t kMarketTagColor = 0xFFFF0000u;
// Background levels, darkest first
inline constexpr uint32_t kBlackBackground = 0xFF000000u;
inline constexpr uint32_t kChipBackground = 0xFF000000u;
inline constexpr uint32_t kChartBackground = 0xFF191B1Fu;
inline constexpr uint32_t kBackground = 0xFF191B1Fu;
inline constexpr uint32_t kInputBackground = 0xFF1B1E23u;
inline constexpr uint32_t kRaisedBackground = 0xFF1E2126u;
inline constexpr uint32_t kToolRowColor = 0xFF22272Eu;
inline constexpr uint32_t kBarBackground = 0xFF252B33u;
inline constexpr uint32_t kSectionBackground = 0xFF2A2F38u;
inline constexpr uint32_t kDialogBackground = 0xFF2C2C2Cu;
inline constexpr uint32_t kButtonColor = 0xFF2F343Bu;
inline constexpr uint32_t kAlternateRowColor = 0xFF262B33u;
inline constexpr uint32_t kRowHoverColor = 0xFF3E4349u;
inline constexpr uint32_t kTabHoverColor = 0xFF3A4049u;
inline constexpr uint32_t kTableSelectedRowColor = 0xFF22304Cu;
inline constexpr uint32_t kTableActiveRowColor = 0x802F2F2Fu;
inline constexpr uint32_t kHoverColor = 0xFF404A58u;
inline constexpr uint32_t kButtonHoverColor = 0xFF4A515Bu;
inline constexpr uint32_t kMenuBackground = 0xFF3E414Bu;  // opaque: nothing shows through a menu
inline constexpr uint32_t kMenuHighlightColor = 0xFF33373Fu;
inline constexpr uint32_t kTitleBarDarkColor = 0xFF171717u;
inline constexpr uint32_t kLightBackground = 0xFFFFFFFFu;
// The light message box and text dialog
inline constexpr uint32_t kLightBodyColor = 0xFFFAFAFAu;
inline constexpr uint32_t kLightDialogColor = 0xFFF2F2F2u;
inline constexpr uint32_t kLightBorderColor = 0xFFE2E2E2u;
inline constexpr uint32_t kLightTitleColor = 0xFFD9E7F6u;
inline constexpr uint32_t kLightTitleTextColor = 0xFF0068B7u;
inline constexpr uint32_t kDisabledFieldColor = 0xFFF4F6F6u;
inline constexpr uint32_t kCheckedFieldColor = 0xFFD5DBDBu;
// Shades laid over the window behind a dialog
inline constexpr uint32_t kModalShade = 0x80000000u;
inline constexpr uint32_t kShadowColor = 0x40000000u;
inline constexpr uint32_t kNoColor = 0x00000000u;
// Texts, brightest first
inline constexpr uint32_t kTextColor = 0xFFFFFFFFu;
inline constexpr uint32_t kSecondaryTextColor = 0xFFC0C4CAu;
inline constexpr uint32_t kDimTextColor = 0xFF999999u;
inline constexpr uint32_t kLabelTextColor = 0xFF92979Du;
inline constexpr uint32_t kDialogTextColor = 0xFF2C2C2Cu;
inline constexpr uint32_t kFocusedTextColor = 0xFF000000u;
inline constexpr uint32_t kCyanTextColor = 0xFF00F4FFu;
// Borders, highlight and actions
inline constexpr uint32_t kFrameBorderColor = 0xFF335493u;
inline constexpr uint32_t kBorderColor = 0xFF404A58u;
inline constexpr uint32_t kButtonBorderColor = 0xFF161616u;
inline constexpr uint32_t kSeparatorColor = 0x55FFFFFFu;
inline constexpr uint32_t kLineColor = 0xFF000000u;
inline constexpr uint32_t kSelectedColor = 0xFFE6000Cu;
inline constexpr uint32_t kSelectedHoverColor = 0xFFFA3333u;
inline constexpr uint32_t kCloseHoverColor = 0xFFCC351Cu;
inline constexpr uint32_t kMenuHoverTextColor = 0xFFEB2832u;
inline constexpr uint32_t kActionColor = 0xFFFF8000u;
inline constexpr uint32_t kActionHoverColor = 0xFF0080FFu;
inline constexpr uint32_t kActionDimColor = 0xFFBD631Au;
inline constexpr uint32_t kMyStockColor = 0xFF343E4Fu;
inline constexpr uint32_t kMyStockHoverColor = 0xFF535860u;
inline constexpr uint32_t kToolSelectedHoverColor = 0xFF4364A3u;
inline constexpr uint32_t kOnlineColor = 0xFF5AC478u;
inline constexpr uint32_t kOfflineColor = 0xFFEB2832u;
inline constexpr uint32_t kLinkHoverColor = 0xFF293652u;
inline constexpr uint32_t kChartFrameColor = 0xFF4586FFu;
inline constexpr uint32_t kChartFillColor = 0xFF1E3A70u;
inline constexpr uint32_t kPaintToolSelectedColor = 0xFF2F3A4Fu;
// Painted by the C++ tables, lists and charts
inline constexpr uint32_t kTableHeaderTextColor = 0xFF93979Du;
inline constexpr uint32_t kGoldTextColor = 0xFFF5BE4Au;
inline constexpr uint32_t kFlashUpColor = 0x66FF3D3Du;
inline constexpr uint32_t kFlashDownColor = 0x660FC351u;
inline constexpr uint32_t kTipBlueColor = 0xFF006AFFu;
inline constexpr uint32_t kTipTealColor = 0xFF008080u;
inline constexpr uint32_t kListAltBackground = 0xFF2A2F36u;
inline constexpr uint32_t kListGridColor = 0xFF262B32u;
inline constexpr uint32_t kListSelectedColor = 0xFF22324Fu;
inline constexpr uint32_t kTimeBarBoxColor = 0xFF464D59u;
inline constexpr uint32_t kMinuteFillTopColor = 0x961E3964u;
inline constexpr uint32_t kMinuteFillBottomColor = 0x0A000000u;

// Fonts
inline constexpr char kFontFamily[] = "Microsoft YaHei";
inline constexpr char kFontFamilyCn[] = "微软雅黑";  // the same family by its Chinese name
inline constexpr char kSongFontFamily[] = "宋体";
// Font sizes in pixels that the painters share with the documents
inline constexpr int kListFontSize = 12;        // rows of the lists (the trade details)
inline constexpr int kChartTitleFontSize = 13;  // a chart's title row
inline constexpr int kTableFontSize = 16;       // the quote tables' header and cells

struct ColourRole {
    const char* name;
    uint32_t argb;
};

// Every colour role, by the name the QML theme gives it.
inline constexpr ColourRole kColourRoles[] = {
    {"upColor", kUpColor},
    {"downColor", kDownColor},
    {"flatColor", kFlatColor},
    {"quoteLabelColor", kQuoteLabelColor},
    {"volumeColor", kVolumeColor},
    {"amountColor", kAmountColor},
    {"codeNameColor", kCodeNameColor},
    {"marketTagColor", kMarketTagColor},
    {"blackBackground", kBlackBackground},
    {"chipBackground", kChipBackground},
    {"chartBackground", kChartBackground},
    {"background", kBackground},
    {"inputBackground", kInputBackground},
    {"raisedBackground", kRaisedBackground},
    {"toolRowColor", kToolRowColor},
    {"barBackground", kBarBackground},
    {"sectionBackground", kSectionBackground},
    {"dialogBackground", kDialogBackground},
    {"buttonColor", kButtonColor},
    {"alternateRowColor", kAlternateRowColor},
    {"rowHoverColor", kRowHoverColor},
    {"tabHoverColor", kTabHoverColor},
    {"tableSelectedRowColor", kTableSelectedRowColor},
    {"tableActiveRowColor", kTableActiveRowColor},
    {"hoverColor", kHoverColor},
    {"buttonHoverColor", kButtonHoverColor},
    {"menuBackground", kMenuBackground},
    {"menuHighlightColor", kMenuHighlightColor},
    {"titleBarDarkColor", kTitleBarDarkColor},
    {"lightBackground", kLightBackground},
    {"lightBodyColor", kLightBodyColor},
    {"lightDialogColor", kLightDialogColor},
    {"lightBorderColor", kLightBorderColor},
    {"lightTitleColor", kLightTitleColor},
    {"lightTitleTextColor", kLightTitleTextColor},
    {"disabledFieldColor", kDisabledFieldColor},
    {"checkedFieldColor", kCheckedFieldColor},
    {"modalShade", kModalShade},
    {"shadowColor", kShadowColor},
    {"noColor", kNoColor},
    {"textColor", kTextColor},
    {"secondaryTextColor", kSecondaryTextColor},
    {"dimTextColor", kDimTextColor},
    {"labelTextColor", kLabelTextColor},
    {"dialogTextColor", kDialogTextColor},
    {"focusedTextColor", kFocusedTextColor},
    {"cyanTextColor", kCyanTextColor},
    {"frameBorderColor", kFrameBorderColor},
    {"borderColor", kBorderColor},
    {"buttonBorderColor", kButtonBorderColor},
    {"separatorColor", kSeparatorColor},
    {"lineColor", kLineColor},
    {"selectedColor", kSelectedColor},
    {"selectedHoverColor", kSelectedHoverColor},
    {"closeHoverColor", kCloseHoverColor},
    {"menuHoverTextColor", kMenuHoverTextColor},
    {"actionColor", kActionColor},
    {"actionHoverColor", kActionHoverColor},
    {"actionDimColor", kActionDimColor},
    {"myStockColor", kMyStockColor},
    {"myStockHoverColor", kMyStockHoverColor},
    {"toolSelectedHoverColor", kToolSelectedHoverColor},
    {"onlineColor", kOnlineColor},
    {"offlineColor", kOfflineColor},
    {"linkHoverColor", kLinkHoverColor},
    {"chartFrameColor", kChartFrameColor},
    {"chartFillColor", kChartFillColor},
    {"paintToolSelectedColor", kPaintToolSelectedColor},
    {"tableHeaderTextColor", kTableHeaderTextColor},
    {"goldTextColor", kGoldTextColor},
    {"flashUpColor", kFlashUpColor},
    {"flashDownColor", kFlashDownColor},
    {"tipBlueColor", kTipBlueColor},
    {"tipTealColor", kTipTealColor},
    {"listAltBackground", kListAltBackground},
    {"listGridColor", kListGridColor},
    {"listSelectedColor", kListSelectedColor},
    {"timeBarBoxColor", kTimeBarBoxColor},
    {"minuteFillTopColor", kMinuteFillTopColor},
    {"minuteFillBottomColor", kMinuteFillBottomColor},
};

struct SizeRole {
    const char* name;
    int pixels;
};

// Every font size the C++ code shares, by the name the QML theme gives it.
inline constexpr SizeRole kFontSizeRoles[] = {
    {"listFontSize", kListFontSize},
    {"chartTitleFontSize", kChartTitleFontSize},
    {"tableFontSize", kTableFontSize},
};

// "#RRGGBB" for an opaque colour, "#AARRGGBB" otherwise or when withAlpha is
// set, in upper case (the form the models hand to QML).
std::string hexName(uint32_t argb, bool withAlpha = false);

}  // namespace theme
