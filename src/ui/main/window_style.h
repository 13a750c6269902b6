#pragma once
// Every length of the main window in one place, built from the DPI scale s
// like the charts' ChartStyle: the regions, the navigation panel and its
// option panel, the header and status bar, the source page and its preview.
// Layout, painting and hit tests read named fields instead of numbers.

namespace qh {

struct WindowStyle {
  explicit WindowStyle(float scale);

  float Scale = 1;  // s: screen DPI / 96, never below 1

  // Regions.
  float HeaderH, StatusH;
  float NavW, NarrowNavW;
  float NarrowNavBelowCanvasW;  // a window narrower than NavW plus this takes the narrow panel
  float CanvasGap;              // the canvas is this much narrower and lower than its room
  float CanvasInset;            // its left and top edge from the panel and the header
  float MinCanvasW;             // the smallest window's canvas: the source page's notice and margin

  // Header band: the logo, the title and the item count.
  float AccentStripW;
  float LogoBar1X, LogoBar1Y, LogoBar1H;
  float LogoBar2X, LogoBar2Y, LogoBar2H;
  float LogoBar3X, LogoBar3Y, LogoBar3H;
  float LogoBarW;
  float TitleX, TitleY, TitleH, TitleRightReserve, TitleMinW;
  float TitleTextW;  // the title's text ends before this, the colour row starts after it
  float CountRightReserve, CountW;
  float ColorComboW, ColorRowH, ColorLabelW, ColorLabelGap;

  // Navigation items.
  float NavTop;
  float NavPitch, NavItemH, NavItemInset;
  float NavMarkY, NavMarkW, NavMarkH;
  float NavCaptionX, NavCaptionY, NavCaptionRightInset, NavCaptionH;
  // The logo squares, right-aligned in the first item clear of its caption,
  // and the rule under it.
  float NavSquaresRightInset;
  float NavSquare1Y, NavSquare1Side;
  float NavSquare2Y, NavSquare2W, NavSquare2H;
  float NavRuleX, NavRuleY, NavRuleW, NavRuleH;
  // The version and upgrade labels, from the panel's bottom.
  float VersionRise, UpgradeRise, NavLabelH;

  // The option panel.
  float OptionRowH, OptionComboH, OptionColorGap;
  float OptionHeadH;  // the title and its rule above the rows
  float OptionX, OptionSideMargins, OptionMinW;
  float OptionLowestTop, OptionLowestTopWithColor;
  float OptionBottomReserve;  // from the panel's bottom: the labels and their margin
  float OptionRowsTop, OptionInset;
  float OptionTitleFontPx, OptionTitleY, OptionTitleH, OptionRuleY;
  float OptionBox, OptionBoxGap, OptionCaptionFontPx;
  float OptionTickPen, OptionTickX1, OptionTickY1, OptionTickX2, OptionTickY2, OptionTickX3,
      OptionTickY3;
  float OptionLinePen;

  // Status bar.
  float LinkX, LinkHitW, LinkTextX, LinkTextPad, LinkRuleX1, LinkRuleX2, LinkRuleRise;
  float StatusRightMargin;

  // Focus ring.
  float RingPen, RingRadius;
  float OutsideRingMargin, OutsideRingRadius;  // the ring laid around a standard control

  // Source page (the frame's controls).
  float SourcePad, ManualW, ButtonGap, BrowseW, RowH;
  float SourceTitleY, SourceTitleW, SourceTitleH;
  float ManualLabelY, ManualLabelW, ManualLabelH;
  float ManualBoxY, ManualBoxH;
  float ButtonTop;
  float LineRowY, LineLabelW, LineLabelH, LineComboX, LineComboLift, LineComboW, LineComboH;
  float PathRowY, PathLabelGap;
  float NoticeY, NoticeBottomMargin, NoticeMinH, NoticeW;

  // Source page (the preview drawn under the controls).
  float PreviewX, PreviewMarkY, PreviewMarkW, PreviewMarkH;
  float PreviewHeadY, PreviewHeadH, PreviewRowsY, PreviewRowPitch, PreviewRowH;
  float PreviewNameW, PreviewValueX, PreviewValueW, PreviewMoreGap;
};

}  // namespace qh
