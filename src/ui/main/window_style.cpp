#include "ui/main/window_style.h"

namespace qh {

// The numbers are pixels on a 96-DPI screen.
WindowStyle::WindowStyle(float s) : Scale(s) {
  const auto px = [s](float at96Dpi) { return at96Dpi * s; };
  HeaderH = px(58);
  StatusH = px(26);
  NavW = px(176);
  NarrowNavW = px(110);
  NarrowNavBelowCanvasW = px(260);
  CanvasGap = px(24);
  CanvasInset = px(8);
  MinCanvasW = px(580);

  AccentStripW = px(5);
  LogoBar1X = px(22), LogoBar1Y = px(16), LogoBar1H = px(26);
  LogoBar2X = px(34), LogoBar2Y = px(24), LogoBar2H = px(18);
  LogoBar3X = px(46), LogoBar3Y = px(10), LogoBar3H = px(32);
  LogoBarW = px(9);
  TitleX = px(68), TitleY = px(11), TitleH = px(30);
  TitleRightReserve = px(220), TitleMinW = px(100), TitleTextW = px(220);
  CountRightReserve = px(300), CountW = px(280);
  ColorComboW = px(210), ColorRowH = px(30), ColorLabelW = px(96), ColorLabelGap = px(8);

  NavTop = px(14);
  NavPitch = px(45), NavItemH = px(42), NavItemInset = px(8);
  NavMarkY = px(6), NavMarkW = px(4), NavMarkH = px(30);
  NavCaptionX = px(20), NavCaptionY = px(11), NavCaptionRightInset = px(34), NavCaptionH = px(20);
  NavSquaresRightInset = px(12), NavSquare1Y = px(14), NavSquare1Side = px(22);
  NavSquare2Y = px(8), NavSquare2W = px(14), NavSquare2H = px(16);
  NavRuleX = px(12), NavRuleY = px(44), NavRuleW = px(84), NavRuleH = px(1);
  VersionRise = px(112), UpgradeRise = px(78), NavLabelH = px(26);

  OptionRowH = px(26), OptionComboH = px(26), OptionColorGap = px(8);
  OptionHeadH = px(58);
  OptionX = px(10), OptionSideMargins = px(20), OptionMinW = px(40);
  OptionLowestTop = px(300), OptionLowestTopWithColor = px(244);
  OptionBottomReserve = px(170);
  OptionRowsTop = px(38), OptionInset = px(8);
  OptionTitleFontPx = px(20), OptionTitleY = px(8), OptionTitleH = px(22), OptionRuleY = px(28);
  OptionBox = px(14), OptionBoxGap = px(6), OptionCaptionFontPx = px(13);
  OptionTickPen = px(2);
  OptionTickX1 = px(3), OptionTickY1 = px(7), OptionTickX2 = px(6), OptionTickY2 = px(10);
  OptionTickX3 = px(11), OptionTickY3 = px(4);
  OptionLinePen = px(1);

  LinkX = px(10), LinkHitW = px(250), LinkTextX = px(12), LinkTextPad = px(4);
  LinkRuleX1 = px(18), LinkRuleX2 = px(262), LinkRuleRise = px(7);
  StatusRightMargin = px(12);

  RingPen = px(2), RingRadius = px(3);
  OutsideRingMargin = px(3), OutsideRingRadius = px(4);

  SourcePad = px(30), ManualW = px(400), ButtonGap = px(14), BrowseW = px(64), RowH = px(30);
  SourceTitleY = px(22), SourceTitleW = px(300), SourceTitleH = px(30);
  ManualLabelY = px(122), ManualLabelW = px(300), ManualLabelH = px(26);
  ManualBoxY = px(156), ManualBoxH = px(120);
  ButtonTop = px(290);
  LineRowY = px(340), LineLabelW = px(140), LineLabelH = px(22);
  LineComboX = px(142), LineComboLift = px(4), LineComboW = px(220), LineComboH = px(30);
  PathRowY = px(70);
  PathLabelGap = px(100.0f / 15.0f);  // 100 twips
  NoticeY = px(384), NoticeBottomMargin = px(30), NoticeMinH = px(20), NoticeW = px(520);

  PreviewX = px(26), PreviewMarkY = px(30), PreviewMarkW = px(4), PreviewMarkH = px(26);
  PreviewHeadY = px(70), PreviewHeadH = px(26), PreviewRowsY = px(104), PreviewRowPitch = px(26);
  PreviewRowH = px(22);
  PreviewNameW = px(300), PreviewValueX = px(340), PreviewValueW = px(200), PreviewMoreGap = px(6);
}

}  // namespace qh
