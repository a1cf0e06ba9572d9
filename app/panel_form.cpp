// The panel's form description: the window, its controls in z-order (first on top), the
// context menu and the wiring of events to handlers, read top to bottom.

#include "app/panel.h"
#include "assets/panel_assets.h"
#include "recognition/pad_drawing.h"
#include "ui/form_description.h"

using namespace ui;

namespace {
// The candidate cells all look alike: default GUI font, black, centred, one line.
constexpr TransparentLabelSettings kCandidateCell = {
    .caption = "",
    .effect = TextEffect::plain,
    .font = {},
    .textColour = 0x00000000,
    .alignment = Alignment::centre,
    .wordWrap = false,
    .verticalAlignment = VerticalAlignment::centre,
};
}  // namespace

// ---- Pictures, controls and their settings ------------------------------------------------------
Panel::Panel()
    : panelPicture(panelPictureJpeg()),
      labelTile(labelTileJpeg()),
      rewriteFace(rewriteFaceJpeg()),
      rewriteFaceHot(rewriteFaceHotJpeg()),
      InfoLabel({
          .caption = "",
          .effect = TextEffect::whiteBelowRight,
          .border = false,
          .font = {},
          .textColour = 0x00808000,
          .backgroundColour = kButtonFace,
          .picture = &labelTile,
          .pictureMode = PictureMode::tiled,
          .alignment = Alignment::centre,
          .wordWrap = false,
          .verticalAlignment = VerticalAlignment::centre,
      }),
      MinimizeButton({
          .caption = "-",
          .effect = TextEffect::plain,
          .font = {.face = "宋体", .height = 19, .weight = FW_BOLD, .charset = GB2312_CHARSET},
          .textColour = 0x00FF7575,
          .alignment = Alignment::centre,
          .wordWrap = false,
          .verticalAlignment = VerticalAlignment::centre,
      }),
      CandidateButton1(kCandidateCell),
      CandidateButton2(kCandidateCell),
      CandidateButton3(kCandidateCell),
      CandidateButton4(kCandidateCell),
      CandidateButton5(kCandidateCell),
      CandidateButton6(kCandidateCell),
      CandidateButton7(kCandidateCell),
      CandidateButton8(kCandidateCell),
      CandidateButton9(kCandidateCell),
      CandidateButton10(kCandidateCell),
      RewriteButton({
          .normal = &rewriteFace,
          .hot = &rewriteFaceHot,
          .pressed = nullptr,   // falls back to the normal face
          .disabled = nullptr,  // falls back to the normal face
          .transparentColour = kButtonFace,
      }),
      CloseButton({
          .caption = "",
          .effect = TextEffect::plain,
          .font = {},
          .textColour = 0x00000000,
          .alignment = Alignment::left,
          .wordWrap = false,
          .verticalAlignment = VerticalAlignment::centre,
      }),
      ForegroundTimer({.interval = 0}),
      WritingPad({
          .border = false,
          .backgroundColour = kPadBackground,
          .picture = nullptr,
          .automaticRedraw = true,
          .drawMode = DrawMode::copyPen,
          .penStyle = PenStyle::dotted,
          .penWidth = 1,
          .penColour = 0x00000000,
      }) {}

TransparentLabel& Panel::candidateButton(int number) {
    TransparentLabel* const cells[] = {&CandidateButton1, &CandidateButton2, &CandidateButton3,
                                       &CandidateButton4, &CandidateButton5, &CandidateButton6,
                                       &CandidateButton7, &CandidateButton8, &CandidateButton9,
                                       &CandidateButton10};
    return *cells[(number - 1) % 10];
}

void Panel::load() {
    // A handler that runs one of the panel's member functions.
    const auto to = [this](auto member) { return bound(this, member); };

    // ---- The window -----------------------------------------------------------------------------
    const WindowRecord window = {
        .left = 50,
        .top = 50,
        .width = 305,
        .height = 260,
        .caption = "手写输入",
        .border = BorderStyle::none,
        .backgroundColour = kButtonFace,
        .picture = &panelPicture,
        .pictureMode = PictureMode::natural,
        .minimizeBox = true,
        .maximizeBox = false,
        .shownInTaskbar = false,  // start-up adds WS_EX_APPWINDOW before the panel is shown
        .alwaysOnTop = true,
        .dragAnywhere = true,
        .escapeCloses = true,
        .initialShowState = 0,
        .icon = 0,
    };

    constexpr MouseCursor arrow = MouseCursor::arrow;
    constexpr MouseCursor hand = MouseCursor::hand;

    // ---- Controls, top of the z-order first -----------------------------------------------------
    //                                                 left  top  width height visible disabled
    //                                                 cursor
    const ControlRecord controls[] = {
        {&InfoLabel, "InfoLabel", {7, 213, 209, 24, true, false, arrow}},
        {&MinimizeButton, "MinimizeButton", {255, 10, 16, 16, true, false, hand}},
        {&CandidateButton10, "CandidateButton10", {261, 176, 43, 35, true, false, hand}},
        {&CandidateButton9, "CandidateButton9", {219, 176, 43, 35, true, false, hand}},
        {&CandidateButton8, "CandidateButton8", {261, 139, 43, 35, true, false, hand}},
        {&CandidateButton7, "CandidateButton7", {219, 139, 43, 35, true, false, hand}},
        {&CandidateButton6, "CandidateButton6", {261, 103, 43, 35, true, false, hand}},
        {&CandidateButton5, "CandidateButton5", {219, 103, 43, 35, true, false, hand}},
        {&CandidateButton4, "CandidateButton4", {261, 67, 43, 35, true, false, hand}},
        {&CandidateButton3, "CandidateButton3", {219, 67, 43, 35, true, false, hand}},
        {&CandidateButton2, "CandidateButton2", {261, 32, 43, 35, true, false, hand}},
        {&CandidateButton1, "CandidateButton1", {219, 32, 43, 35, true, false, hand}},
        {&RewriteButton, "RewriteButton", {219, 212, 80, 27, true, false, hand}},
        {&CloseButton, "CloseButton", {282, 10, 16, 16, true, false, hand}},
        {&ForegroundTimer, "ForegroundTimer", {}},
        {&WritingPad, "WritingPad", {4, 32, kPadWidth, kPadHeight, true, false, arrow}},
        {&RecognitionClient, "RecognitionClient", {}},
    };

    // ---- The context menu: one hidden top-level menu, so the panel has no menu bar --------------
    //   item, name, level, caption, hot key, hidden, disabled, checked, handler
    const MenuRecord menus[] = {
        {&OptionsMenu, "OptionsMenu", 0, "繁体", nullptr, true, false, false, nullptr},
        {&TraditionalOutputItem, "TraditionalOutputItem", 1, "写简出繁", nullptr, false, false,
         false, to(&Panel::toggleTraditionalOutput)},
        {&PrecisionItem, "PrecisionItem", 1, "手写精度", nullptr, false, false, false,
         to(&Panel::askReferenceValue)},
        {&OnlineDictionaryItem, "OnlineDictionaryItem", 1, "校对在线字典", nullptr, false, false,
         false, to(&Panel::toggleOnlineLookup)},
        {&AssociationItem, "AssociationItem", 1, "联想", nullptr, false, false, false,
         to(&Panel::toggleAssociation)},
    };

    // ---- Event wiring ---------------------------------------------------------------------------
    const EventBinding events[] = {
        {PanelWindow, Event::created, to(&Panel::onPanelCreated)},
        {PanelWindow, Event::positionChanged, to(&Panel::onPanelMoved)},
        {PanelWindow, MouseEventKind::rightButtonDown, to(&Panel::showOptionsMenu)},
        {WritingPad, MouseEventKind::leftButtonDown, to(&Panel::onPadButtonDown)},
        {WritingPad, MouseEventKind::leftButtonUp, to(&Panel::finishStroke)},
        {WritingPad, MouseEventKind::mouseMoved, to(&Panel::onPadMouseMove)},
        {PanelWindow, MouseEventKind::mouseMoved, to(&Panel::onPointerOffPad)},
        {CandidateButton1, MouseEventKind::leftButtonDown, candidatePressed(1)},
        {CandidateButton1, MouseEventKind::mouseMoved, to(&Panel::onPointerOffPad)},
        {CandidateButton2, MouseEventKind::leftButtonDown, candidatePressed(2)},
        {CandidateButton2, MouseEventKind::mouseMoved, to(&Panel::onPointerOffPad)},
        {CandidateButton3, MouseEventKind::leftButtonDown, candidatePressed(3)},
        {CandidateButton3, MouseEventKind::mouseMoved, to(&Panel::onPointerOffPad)},
        {CandidateButton4, MouseEventKind::leftButtonDown, candidatePressed(4)},
        {CandidateButton4, MouseEventKind::mouseMoved, to(&Panel::onPointerOffPad)},
        {CandidateButton5, MouseEventKind::leftButtonDown, candidatePressed(5)},
        {CandidateButton5, MouseEventKind::mouseMoved, to(&Panel::onPointerOffPad)},
        {CandidateButton6, MouseEventKind::leftButtonDown, candidatePressed(6)},
        {CandidateButton6, MouseEventKind::mouseMoved, to(&Panel::onPointerOffPad)},
        {CandidateButton7, MouseEventKind::leftButtonDown, candidatePressed(7)},
        {CandidateButton7, MouseEventKind::mouseMoved, to(&Panel::onPointerOffPad)},
        {CandidateButton8, MouseEventKind::leftButtonDown, candidatePressed(8)},
        {CandidateButton8, MouseEventKind::mouseMoved, to(&Panel::onPointerOffPad)},
        {CandidateButton9, MouseEventKind::leftButtonDown, candidatePressed(9)},
        {CandidateButton9, MouseEventKind::mouseMoved, to(&Panel::onPointerOffPad)},
        {CandidateButton10, MouseEventKind::leftButtonDown, candidatePressed(10)},
        {CandidateButton10, MouseEventKind::mouseMoved, to(&Panel::onPointerOffPad)},
        {RewriteButton, Event::clicked, to(&Panel::clearPad)},
        {MinimizeButton, MouseEventKind::leftButtonDown, to(&Panel::minimizePanel)},
        {CloseButton, MouseEventKind::leftButtonDown, to(&Panel::closePanel)},
        {ForegroundTimer, Event::tick, to(&Panel::trackForeground)},
        {RecognitionClient, Event::dataArrived, to(&Panel::onReplyData)},
        {RecognitionClient, Event::connectFailed, to(&Panel::showConnectFailure)},
    };

    PanelWindow.load({&window, controls, menus, events});
}
