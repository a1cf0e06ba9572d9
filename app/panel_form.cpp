// The panel's form description: the window, its controls in z-order (first on top), the
// context menu and the wiring of events to handlers, read top to bottom.

#include "app/panel_form.h"

#include "app/commit_handlers.h"
#include "app/foreground_tracking.h"
#include "app/panel_behaviours.h"
#include "app/panel_startup.h"
#include "app/recognition_wiring.h"
#include "assets/panel_assets.h"
#include "recognition/pad_drawing.h"

using namespace ui;

namespace {
// ---- Pictures --------------------------------------------------------------------------------
const Picture panelPicture{panelPictureJpeg()};      // 305 x 246, the panel's background
const Picture labelTile{labelTileJpeg()};            // 18 x 28, tiled under InfoLabel
const Picture rewriteFace{rewriteFaceJpeg()};        // 83 x 27
const Picture rewriteFaceHot{rewriteFaceHotJpeg()};  // 83 x 27, pointer over the button

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

// ---- Controls and their settings ---------------------------------------------------------------
Form PanelWindow;

Label InfoLabel({
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
});

TransparentLabel MinimizeButton({
    .caption = "-",
    .effect = TextEffect::plain,
    .font = {.face = "宋体", .height = 19, .weight = FW_BOLD, .charset = GB2312_CHARSET},
    .textColour = 0x00FF7575,
    .alignment = Alignment::centre,
    .wordWrap = false,
    .verticalAlignment = VerticalAlignment::centre,
});

TransparentLabel CandidateButton1(kCandidateCell);
TransparentLabel CandidateButton2(kCandidateCell);
TransparentLabel CandidateButton3(kCandidateCell);
TransparentLabel CandidateButton4(kCandidateCell);
TransparentLabel CandidateButton5(kCandidateCell);
TransparentLabel CandidateButton6(kCandidateCell);
TransparentLabel CandidateButton7(kCandidateCell);
TransparentLabel CandidateButton8(kCandidateCell);
TransparentLabel CandidateButton9(kCandidateCell);
TransparentLabel CandidateButton10(kCandidateCell);

PictureButton RewriteButton({
    .normal = &rewriteFace,
    .hot = &rewriteFaceHot,
    .pressed = nullptr,   // falls back to the normal face
    .disabled = nullptr,  // falls back to the normal face
    .transparentColour = kButtonFace,
});

TransparentLabel CloseButton({
    .caption = "",
    .effect = TextEffect::plain,
    .font = {},
    .textColour = 0x00000000,
    .alignment = Alignment::left,
    .wordWrap = false,
    .verticalAlignment = VerticalAlignment::centre,
});

Timer ForegroundTimer({.interval = 0});

DrawingBoard WritingPad({
    .border = false,
    .backgroundColour = kPadBackground,
    .picture = nullptr,
    .automaticRedraw = true,
    .drawMode = DrawMode::copyPen,
    .penStyle = PenStyle::dotted,
    .penWidth = 1,
    .penColour = 0x00000000,
});

Component<TcpClient> RecognitionClient;

MenuItem OptionsMenu;
MenuItem TraditionalOutputItem;
MenuItem PrecisionItem;
MenuItem OnlineDictionaryItem;

TransparentLabel& candidateButton(int number) {
    static TransparentLabel* const cells[] = {
        &CandidateButton1, &CandidateButton2, &CandidateButton3, &CandidateButton4,
        &CandidateButton5, &CandidateButton6, &CandidateButton7, &CandidateButton8,
        &CandidateButton9, &CandidateButton10};
    return *cells[(number - 1) % 10];
}

namespace {
// ---- The window --------------------------------------------------------------------------------
const WindowRecord kPanelWindow = {
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

// ---- Controls, top of the z-order first ------------------------------------------------------
//                                                 left  top  width height visible disabled cursor
const ControlRecord kPanelControls[] = {
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
    {&WritingPad, "WritingPad", {4, 32, 214, 207, true, false, arrow}},
    {&RecognitionClient, "RecognitionClient", {}},
};

// ---- The context menu: one hidden top-level menu, so the panel has no menu bar ---------------
//   item, name, level, caption, hot key, hidden, disabled, checked, handler
const MenuRecord kPanelMenus[] = {
    {&OptionsMenu, "OptionsMenu", 0, "繁体", nullptr, true, false, false, nullptr},
    {&TraditionalOutputItem, "TraditionalOutputItem", 1, "写简出繁", nullptr, false, false, false,
     toggleTraditionalOutput},
    {&PrecisionItem, "PrecisionItem", 1, "手写精度", nullptr, false, false, false,
     askReferenceValue},
    {&OnlineDictionaryItem, "OnlineDictionaryItem", 1, "校对在线字典", nullptr, false, false, false,
     toggleOnlineLookup},
};

// ---- Event wiring ------------------------------------------------------------------------------
const EventBinding kPanelEvents[] = {
    {PanelWindow, Event::created, onPanelCreated},
    {PanelWindow, Event::positionChanged, onPanelMoved},
    {PanelWindow, MouseEventKind::rightButtonDown, showOptionsMenu},
    {WritingPad, MouseEventKind::leftButtonDown, onPadButtonDown},
    {WritingPad, MouseEventKind::leftButtonUp, finishStroke},
    {WritingPad, MouseEventKind::mouseMoved, onPadMouseMove},
    {PanelWindow, MouseEventKind::mouseMoved, onPointerOffPad},
    {CandidateButton1, MouseEventKind::leftButtonDown, candidatePressed(1)},
    {CandidateButton1, MouseEventKind::mouseMoved, onPointerOffPad},
    {CandidateButton2, MouseEventKind::leftButtonDown, candidatePressed(2)},
    {CandidateButton2, MouseEventKind::mouseMoved, onPointerOffPad},
    {CandidateButton3, MouseEventKind::leftButtonDown, candidatePressed(3)},
    {CandidateButton3, MouseEventKind::mouseMoved, onPointerOffPad},
    {CandidateButton4, MouseEventKind::leftButtonDown, candidatePressed(4)},
    {CandidateButton4, MouseEventKind::mouseMoved, onPointerOffPad},
    {CandidateButton5, MouseEventKind::leftButtonDown, candidatePressed(5)},
    {CandidateButton5, MouseEventKind::mouseMoved, onPointerOffPad},
    {CandidateButton6, MouseEventKind::leftButtonDown, candidatePressed(6)},
    {CandidateButton6, MouseEventKind::mouseMoved, onPointerOffPad},
    {CandidateButton7, MouseEventKind::leftButtonDown, candidatePressed(7)},
    {CandidateButton7, MouseEventKind::mouseMoved, onPointerOffPad},
    {CandidateButton8, MouseEventKind::leftButtonDown, candidatePressed(8)},
    {CandidateButton8, MouseEventKind::mouseMoved, onPointerOffPad},
    {CandidateButton9, MouseEventKind::leftButtonDown, candidatePressed(9)},
    {CandidateButton9, MouseEventKind::mouseMoved, onPointerOffPad},
    {CandidateButton10, MouseEventKind::leftButtonDown, candidatePressed(10)},
    {CandidateButton10, MouseEventKind::mouseMoved, onPointerOffPad},
    {RewriteButton, Event::clicked, clearPad},
    {MinimizeButton, MouseEventKind::leftButtonDown, minimizePanel},
    {CloseButton, MouseEventKind::leftButtonDown, closePanel},
    {ForegroundTimer, Event::tick, trackForeground},
    {RecognitionClient, Event::dataArrived, onReplyData},
};

const FormDescription kPanelForm = {&kPanelWindow, kPanelControls, kPanelMenus, kPanelEvents};
}  // namespace

const FormDescription& panelFormDescription() {
    return kPanelForm;
}
