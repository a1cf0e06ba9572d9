// The window framework under Wine, with small forms of the tests' own: building order and
// event sequence, properties, timers, painting of transparent labels and mouse dispatch.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "assets/panel_assets.h"
#include "framework_test_support.h"
#include "text/runtime_error.h"
#include "ui/drawing_board.h"
#include "ui/form.h"
#include "ui/label.h"
#include "ui/picture.h"
#include "ui/picture_button.h"
#include "ui/timer.h"

using namespace ui;
using test_support::MouseStep;
using test_support::playMouse;
using test_support::pump;
using test_support::pumpUntil;
using test_support::screenPoint;

namespace {

// A borderless white test window, topmost, at a fixed place on the screen.
WindowRecord testWindow(const char* caption, bool dragAnywhere = false) {
    WindowRecord record;
    record.left = 300;
    record.top = 200;
    record.width = 320;
    record.height = 240;
    record.caption = caption;
    record.border = BorderStyle::none;
    record.backgroundColour = RGB(255, 255, 255);
    record.alwaysOnTop = true;
    record.dragAnywhere = dragAnywhere;
    record.escapeCloses = true;
    return record;
}

class FrameworkTest : public ::testing::Test {
  protected:
    void SetUp() override { test_support::initialiseOnce(); }
    void TearDown() override { pump(50); }
};

// ---- Building order and event sequence ---------------------------------------------------------

namespace order {
Form* form = nullptr;
std::vector<std::string> log;
bool destroyInCreated = false;

void note(const char* what) {
    log.push_back(std::string(what) + (IsWindowVisible(form->handle()) ? " (shown)" : ""));
}
void created() {
    note("created");
    if (destroyInCreated) {
        DestroyWindow(form->handle());
        return;
    }
    form->setLeft(form->left() + 40);
    note("created ends");
}
void moved() {
    note("moved");
}
void sized() {
    note("sized");
}
}  // namespace order

TEST_F(FrameworkTest, CreatedRunsWithItsMoveNestedThenMovedThenSizedAllBeforeTheWindowShows) {
    order::log.clear();
    order::destroyInCreated = false;
    Label label;
    Form form;
    order::form = &form;
    const WindowRecord window = testWindow("order");
    const ControlRecord controls[] = {{&label, "Label", {10, 10, 80, 20}}};
    const EventBinding events[] = {{form, Event::created, order::created},
                                   {form, Event::positionChanged, order::moved},
                                   {form, Event::sizeChanged, order::sized}};
    form.load({&window, controls, {}, events});

    // The creation's own WM_MOVE and WM_SIZE raised nothing; the move made by the created
    // handler ran the position-changed handler inside it.
    const std::vector<std::string> expected = {"created", "moved", "created ends", "moved",
                                               "sized"};
    EXPECT_EQ(order::log, expected);
    EXPECT_TRUE(IsWindowVisible(form.handle()));
    EXPECT_EQ(form.left(), 340);
    // Made topmost at creation.
    EXPECT_TRUE(GetWindowLongA(form.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(FrameworkTest, AWindowDestroyedByItsCreatedHandlerRaisesNothingMoreAndIsNeverShown) {
    order::log.clear();
    order::destroyInCreated = true;
    Form form;
    order::form = &form;
    const WindowRecord window = testWindow("destroyed");
    const EventBinding events[] = {{form, Event::created, order::created},
                                   {form, Event::positionChanged, order::moved},
                                   {form, Event::sizeChanged, order::sized}};
    form.load({&window, {}, {}, events});
    order::destroyInCreated = false;
    const std::vector<std::string> expected = {"created"};
    EXPECT_EQ(order::log, expected);
    EXPECT_EQ(form.handle(), nullptr);
    EXPECT_FALSE(form.loaded());
}

TEST_F(FrameworkTest, ControlsStackInTableOrderAndOnlyVisibleOnesAreShown) {
    Label first;
    Label second;
    TransparentLabel third;
    Timer timer;
    Form form;
    const WindowRecord window = testWindow("z-order");
    Placement hidden = {40, 10, 80, 20};
    hidden.visible = false;
    const ControlRecord controls[] = {{&first, "First", {10, 10, 80, 20}},
                                      {&second, "Second", hidden},
                                      {&timer, "Timer", {}},
                                      {&third, "Third", {70, 10, 80, 20}}};
    form.load({&window, controls, {}, {}});

    HWND top = GetWindow(form.handle(), GW_CHILD);
    EXPECT_EQ(top, first.handle());
    EXPECT_EQ(GetWindow(first.handle(), GW_HWNDNEXT), second.handle());
    EXPECT_EQ(GetWindow(second.handle(), GW_HWNDNEXT), third.handle());
    EXPECT_TRUE(first.visible());
    EXPECT_FALSE(second.visible());
    EXPECT_TRUE(third.visible());
    EXPECT_FALSE(IsWindowVisible(timer.handle()));
    const LONG style = GetWindowLongA(first.handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & WS_CLIPSIBLINGS);
    EXPECT_TRUE(GetWindowLongA(third.handle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
}

TEST_F(FrameworkTest, PositionsAndSizesAreClampedToTheirRanges) {
    Label label;
    Form form;
    const WindowRecord window = testWindow("clamping");
    const ControlRecord controls[] = {{&label, "Label", {10, 10, 80, 20}}};
    form.load({&window, controls, {}, {}});

    label.setLeft(-40000);
    EXPECT_EQ(label.left(), -32627);
    label.setTop(40000);
    EXPECT_EQ(label.top(), 32627);
    label.setWidth(-5);
    EXPECT_EQ(label.width(), 0);
    label.setHeight(33);
    EXPECT_EQ(label.height(), 33);
    label.setLeft(12);
    label.setTop(13);
    EXPECT_EQ(label.left(), 12);
    EXPECT_EQ(label.top(), 13);
    EXPECT_EQ(label.width(), 0);
}

// ---- showState ---------------------------------------------------------------------------------

namespace states {
std::vector<int> seenWhileMoving;
Form* form = nullptr;
void moved() {
    seenWhileMoving.push_back(form->showState());
}
}  // namespace states

TEST_F(FrameworkTest, ShowStateReadsTwoWhileMinimizedAndZeroAfterRestoringButNeverOne) {
    Form form;
    states::form = &form;
    WindowRecord window = testWindow("states");
    window.border = BorderStyle::fixedSingle;
    window.minimizeBox = true;
    const EventBinding events[] = {{form, Event::positionChanged, states::moved}};
    form.load({&window, {}, {}, events});
    pump(100);
    EXPECT_EQ(form.showState(), 0);

    states::seenWhileMoving.clear();
    form.setShowState(2);
    pump(100);
    EXPECT_EQ(form.showState(), 2);
    // Minimizing moves the window, and the handler already reads the minimized state.
    ASSERT_FALSE(states::seenWhileMoving.empty());
    EXPECT_EQ(states::seenWhileMoving.back(), 2);

    states::seenWhileMoving.clear();
    ShowWindow(form.handle(), SW_RESTORE);
    pump(100);
    EXPECT_EQ(form.showState(), 0);
    ASSERT_FALSE(states::seenWhileMoving.empty());
    EXPECT_EQ(states::seenWhileMoving.back(), 0);

    form.setShowState(1);
    pump(100);
    EXPECT_EQ(form.showState(), 0);
    RECT rect = {};
    GetWindowRect(form.handle(), &rect);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2);

    form.setShowState(2);
    pump(100);
    form.setShowState(1);
    pump(100);
    EXPECT_EQ(form.showState(), 0);
}

// ---- Timer -------------------------------------------------------------------------------------

namespace ticks {
std::vector<DWORD> at;
void tick() {
    at.push_back(GetTickCount());
}
}  // namespace ticks

class TimerTest : public FrameworkTest {
  protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        ticks::at.clear();
        window_ = testWindow("timer");
        form_.load({&window_, controls_, {}, events_});
    }
    Timer timer_;
    Form form_;
    WindowRecord window_;
    const ControlRecord controls_[1] = {{&timer_, "Timer", {}}};
    const EventBinding events_[1] = {{timer_, Event::tick, ticks::tick}};
};

TEST_F(TimerTest, ANewIntervalStartsAFreshPeriod) {
    timer_.setInterval(500);
    const DWORD started = GetTickCount();
    pump(300);
    ASSERT_TRUE(ticks::at.empty());
    timer_.setInterval(600);
    const DWORD changed = GetTickCount();
    ASSERT_TRUE(pumpUntil([] { return !ticks::at.empty(); }, 3000));
    // Not at 500 after the first start: 600 after the change.
    EXPECT_GE(ticks::at.front() - changed, 560u);
    EXPECT_GE(ticks::at.front() - started, 860u);
}

TEST_F(TimerTest, WritingTheSameIntervalLeavesTheRunningPeriodAlone) {
    timer_.setInterval(600);
    const DWORD started = GetTickCount();
    pump(400);
    ASSERT_TRUE(ticks::at.empty());
    timer_.setInterval(600);
    ASSERT_TRUE(pumpUntil([] { return !ticks::at.empty(); }, 3000));
    // A restarted period would end 1000 ms after the start.
    EXPECT_LT(ticks::at.front() - started, 950u);
    EXPECT_GE(ticks::at.front() - started, 560u);
}

TEST_F(TimerTest, ZeroOrANegativeIntervalStopsTheTimer) {
    timer_.setInterval(100);
    ASSERT_TRUE(pumpUntil([] { return ticks::at.size() >= 2; }, 3000));
    timer_.setInterval(-20);
    EXPECT_EQ(timer_.interval(), 0);
    ticks::at.clear();
    pump(400);
    EXPECT_TRUE(ticks::at.empty());

    timer_.setInterval(100);
    ASSERT_TRUE(pumpUntil([] { return !ticks::at.empty(); }, 3000));
    timer_.setInterval(0);
    ticks::at.clear();
    pump(400);
    EXPECT_TRUE(ticks::at.empty());
}

TEST_F(FrameworkTest, ATimerWithAnIntervalInItsDescriptionStartsWhenCreated) {
    ticks::at.clear();
    Timer timer({.interval = 50});
    Form form;
    const WindowRecord window = testWindow("started timer");
    const ControlRecord controls[] = {{&timer, "Timer", {}}};
    const EventBinding events[] = {{timer, Event::tick, ticks::tick}};
    form.load({&window, controls, {}, events});
    EXPECT_TRUE(pumpUntil([] { return ticks::at.size() >= 2; }, 3000));
}

// ---- Painting ----------------------------------------------------------------------------------

TEST_F(FrameworkTest, EmptyingATransparentLabelLeavesNoTraceOfTheWideText) {
    TransparentLabel label({.caption = "",
                            .effect = TextEffect::blackShadow,
                            .font = {.face = "Arial", .height = 28, .weight = FW_BOLD},
                            .textColour = RGB(200, 0, 0),
                            .alignment = Alignment::left,
                            .wordWrap = false,
                            .verticalAlignment = VerticalAlignment::centre});
    Form form;
    WindowRecord window = testWindow("transparent");
    window.backgroundColour = RGB(40, 120, 220);
    const ControlRecord controls[] = {{&label, "Label", {10, 40, 300, 60}}};
    form.load({&window, controls, {}, {}});
    pump(200);
    const RECT area = {10, 40, 310, 100};
    const std::vector<COLORREF> before = test_support::capture(form.handle(), area);

    label.setCaption("WWWWWWWWWWWWWWWW");
    pump(100);
    const std::vector<COLORREF> written = test_support::capture(form.handle(), area);
    EXPECT_NE(written, before) << "the text was not drawn at all";
    // The background shows between the letters: the label paints no background of its own.
    EXPECT_NE(std::count(written.begin(), written.end(), RGB(40, 120, 220)), 0);

    label.setCaption("");
    pump(100);
    EXPECT_EQ(test_support::capture(form.handle(), area), before);
}

TEST_F(FrameworkTest, CaptionsSetTogetherArePaintedAndLeaveNoTraceWhenEmptied) {
    const TransparentLabelSettings settings = {
        .caption = "", .font = {.face = "Arial", .height = 28}, .textColour = RGB(200, 0, 0)};
    TransparentLabel first(settings);
    TransparentLabel second(settings);
    TransparentLabel untouched(settings);
    Form form;
    WindowRecord window = testWindow("captions");
    window.backgroundColour = RGB(40, 120, 220);
    const ControlRecord controls[] = {{&first, "First", {10, 10, 140, 40}},
                                      {&second, "Second", {160, 10, 140, 40}},
                                      {&untouched, "Untouched", {10, 60, 140, 40}}};
    form.load({&window, controls, {}, {}});
    untouched.setCaption("WWW");
    pump(200);
    const RECT firstArea = {10, 10, 150, 50};
    const RECT secondArea = {160, 10, 300, 50};
    const std::vector<COLORREF> blank = test_support::capture(form.handle(), firstArea);

    TextLabel::setCaptions({{&first, "WWWW"}, {&second, "MMMM"}, {&untouched, "WWW"}});
    EXPECT_EQ(first.caption(), "WWWW");
    EXPECT_EQ(second.caption(), "MMMM");
    pump(100);
    EXPECT_NE(test_support::capture(form.handle(), firstArea), blank);
    EXPECT_NE(test_support::capture(form.handle(), secondArea), blank);

    TextLabel::setCaptions({{&first, ""}, {&second, ""}});
    pump(100);
    EXPECT_EQ(test_support::capture(form.handle(), firstArea), blank);
    EXPECT_EQ(test_support::capture(form.handle(), secondArea), blank);
    // A label set on its own afterwards repaints as it always did.
    first.setCaption("WW");
    pump(100);
    EXPECT_NE(test_support::capture(form.handle(), firstArea), blank);
}

TEST_F(FrameworkTest, DrawingBoardKeepsItsDrawingAndWidePensAreSolid) {
    DrawingBoard board({.backgroundColour = RGB(247, 247, 247),
                        .penStyle = PenStyle::dotted,
                        .penWidth = 1,
                        .penColour = RGB(0, 0, 0)});
    Form form;
    const WindowRecord window = testWindow("board");
    const ControlRecord controls[] = {{&board, "Board", {10, 10, 200, 200}}};
    form.load({&window, controls, {}, {}});
    pump(100);

    // A dotted 1-pixel line leaves gaps; a 6-pixel line of the same style does not.
    board.drawLine(0, 20, 199, 20);
    int gaps = 0;
    for (int x = 0; x < 100; ++x) {
        gaps += board.pixel(x, 20) == RGB(247, 247, 247);
    }
    EXPECT_GT(gaps, 10);
    board.setPenWidth(6);
    board.setPenColour(RGB(0, 0, 255));
    board.drawLine(0, 100, 199, 100);
    for (int x = 5; x < 195; ++x) {
        ASSERT_EQ(board.pixel(x, 100), RGB(0, 0, 255)) << "at x " << x;
    }
    board.setPenWidth(40000);
    EXPECT_EQ(board.penWidth(), 32767);
    board.setPenWidth(-3);
    EXPECT_EQ(board.penWidth(), 0);

    // What the screen shows comes from the off-screen drawing.
    const RECT area = {10 + 50, 10 + 100, 10 + 51, 10 + 101};
    EXPECT_EQ(test_support::capture(form.handle(), area).front(), RGB(0, 0, 255));

    board.clear();
    EXPECT_EQ(board.pixel(50, 100), RGB(247, 247, 247));
    EXPECT_EQ(test_support::capture(form.handle(), area).front(), RGB(247, 247, 247));
}

// ---- Mouse dispatch ----------------------------------------------------------------------------

namespace mouse {
std::vector<std::string> log;
int lastX = -1;
int lastY = -1;
void record(const char* what, int x, int y) {
    log.push_back(what);
    lastX = x;
    lastY = y;
}
void windowRightDown(const MouseEvent& event) {
    record("window right down", event.x, event.y);
}
void windowLeftDown(const MouseEvent& event) {
    record("window left down", event.x, event.y);
}
void labelLeftDown(const MouseEvent& event) {
    record("label left down", event.x, event.y);
}
void labelLeftUp(const MouseEvent& event) {
    record("label left up", event.x, event.y);
}
void childRightDown(const MouseEvent& event) {
    record("child right down", event.x, event.y);
}
void boardMove(const MouseEvent& event) {
    record("board move", event.x, event.y);
}
void clicked() {
    log.push_back("clicked");
}
MouseEvent lastEvent;
void withKeys(const MouseEvent& event) {
    record("keys", event.x, event.y);
    lastEvent = event;
}
}  // namespace mouse

TEST_F(FrameworkTest, MouseEventsCarryTheirControlButtonAndTheModifierKeysAsTheyAreWhenRaised) {
    TransparentLabel child;
    Form form;
    const WindowRecord window = testWindow("keys");
    const ControlRecord controls[] = {{&child, "Child", {40, 40, 100, 60}}};
    const EventBinding events[] = {{child, MouseEventKind::leftButtonUp, mouse::withKeys}};
    form.load({&window, controls, {}, events});

    BYTE saved[256] = {};
    GetKeyboardState(saved);
    BYTE keys[256] = {};
    std::copy(std::begin(saved), std::end(saved), std::begin(keys));
    const std::vector<std::pair<std::vector<int>, ModifierKeys>> cases = {
        {{}, {}},
        {{VK_CONTROL}, {.control = true}},
        {{VK_SHIFT}, {.shift = true}},
        {{VK_MENU}, {.alt = true}},
        {{VK_CONTROL, VK_SHIFT, VK_MENU}, {.control = true, .shift = true, .alt = true}}};
    for (const auto& [down, expected] : cases) {
        keys[VK_CONTROL] = keys[VK_SHIFT] = keys[VK_MENU] = 0;
        for (int key : down) {
            keys[key] = 0x80;
        }
        SetKeyboardState(keys);
        mouse::lastEvent = {};
        SendMessageA(child.handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 4));
        EXPECT_TRUE(mouse::lastEvent.keys == expected);
        EXPECT_EQ(mouse::lastEvent.control, &child);
        EXPECT_EQ(mouse::lastEvent.window, child.handle());
        EXPECT_EQ(mouse::lastEvent.button, MouseButton::left);
        EXPECT_EQ(mouse::lastEvent.x, 3);
        EXPECT_EQ(mouse::lastEvent.y, 4);
    }
    SetKeyboardState(saved);
}

TEST_F(FrameworkTest, ACapturedPointerLeftOfADrawingBoardArrivesAsAnUnsignedPosition) {
    mouse::log.clear();
    DrawingBoard board;
    Form form;
    const WindowRecord window = testWindow("capture");
    const ControlRecord controls[] = {{&board, "Board", {50, 50, 100, 100}}};
    const EventBinding events[] = {{board, MouseEventKind::mouseMoved, mouse::boardMove}};
    form.load({&window, controls, {}, events});
    pump(100);

    // The message the system sends the capturing board for a pointer 5 pixels left of it:
    // client x -5 in the low 16 bits of the position.
    SetCapture(board.handle());
    ASSERT_EQ(GetCapture(), board.handle());
    PostMessageA(board.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(-5, 20));
    pump(100);
    ReleaseCapture();
    ASSERT_FALSE(mouse::log.empty());
    EXPECT_EQ(mouse::lastX, 65531);
    EXPECT_EQ(mouse::lastY, 20);
}

TEST_F(FrameworkTest, ARightPressOnAChildRaisesTheChildsEventNotTheWindows) {
    mouse::log.clear();
    TransparentLabel child;
    Form form;
    const WindowRecord window = testWindow("right press");
    const ControlRecord controls[] = {{&child, "Child", {40, 40, 100, 60}}};
    const EventBinding events[] = {{form, MouseEventKind::rightButtonDown, mouse::windowRightDown},
                                   {child, MouseEventKind::rightButtonDown, mouse::childRightDown}};
    form.load({&window, controls, {}, events});
    pump(100);

    const POINT onChild = screenPoint(child.handle(), 30, 20);
    playMouse({{MouseStep::move, onChild.x, onChild.y},
               {MouseStep::rightDown, onChild.x, onChild.y},
               {MouseStep::rightUp, onChild.x, onChild.y}});
    ASSERT_EQ(mouse::log, std::vector<std::string>{"child right down"});
    EXPECT_EQ(mouse::lastX, 30);
    EXPECT_EQ(mouse::lastY, 20);

    // Outside every control the window's own event runs.
    mouse::log.clear();
    const POINT onWindow = screenPoint(form.handle(), 200, 200);
    playMouse({{MouseStep::move, onWindow.x, onWindow.y},
               {MouseStep::rightDown, onWindow.x, onWindow.y},
               {MouseStep::rightUp, onWindow.x, onWindow.y}});
    EXPECT_EQ(mouse::log, std::vector<std::string>{"window right down"});
}

TEST_F(FrameworkTest, ALeftPressOnALabelStartsTheWindowsMoveAndRaisesNoLabelEvent) {
    mouse::log.clear();
    Label label({.caption = "drag me", .backgroundColour = RGB(200, 230, 255)});
    TransparentLabel cell;
    Form form;
    const WindowRecord window = testWindow("drag", /*dragAnywhere=*/true);
    const ControlRecord controls[] = {{&label, "Label", {20, 20, 120, 30}},
                                      {&cell, "Cell", {20, 80, 120, 30}}};
    const EventBinding events[] = {{label, MouseEventKind::leftButtonDown, mouse::labelLeftDown},
                                   {label, MouseEventKind::leftButtonUp, mouse::labelLeftUp},
                                   {cell, MouseEventKind::leftButtonDown, mouse::labelLeftDown},
                                   {form, MouseEventKind::leftButtonDown, mouse::windowLeftDown}};
    form.load({&window, controls, {}, events});
    pump(100);

    // The press as the system delivers it; the label hands it to the window as a press on a
    // caption bar (the system then moves the window while the button is held).
    SendMessageA(label.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 10));
    MSG posted = {};
    ASSERT_TRUE(
        PeekMessageA(&posted, form.handle(), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ(posted.wParam, static_cast<WPARAM>(HTCAPTION));
    const POINT expected = screenPoint(label.handle(), 30, 10);
    EXPECT_EQ(static_cast<short>(LOWORD(posted.lParam)), expected.x);
    EXPECT_EQ(static_cast<short>(HIWORD(posted.lParam)), expected.y);
    EXPECT_TRUE(mouse::log.empty());

    // A transparent label is not a label: its press is its own and moves nothing.
    SendMessageA(cell.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_FALSE(
        PeekMessageA(&posted, form.handle(), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ(mouse::log, std::vector<std::string>{"label left down"});

    // The window's own surface: the move starts and the press is raised as usual.
    mouse::log.clear();
    SendMessageA(form.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 200));
    EXPECT_TRUE(
        PeekMessageA(&posted, form.handle(), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ(mouse::log, std::vector<std::string>{"window left down"});
}

TEST_F(FrameworkTest, APictureButtonClicksOnlyWhenReleasedInside) {
    mouse::log.clear();
    PictureButton button;
    Form form;
    const WindowRecord window = testWindow("picture button");
    const ControlRecord controls[] = {{&button, "Button", {40, 40, 80, 30}}};
    const EventBinding events[] = {{button, Event::clicked, mouse::clicked}};
    form.load({&window, controls, {}, events});
    pump(100);
    HWND self = button.handle();
    const LPARAM inside = MAKELPARAM(40, 15);
    const LPARAM outside = MAKELPARAM(40, 80);

    // Onto the button: hot, holding the capture.
    SendMessageA(self, WM_MOUSEMOVE, 0, inside);
    EXPECT_EQ(button.state(), PictureButton::State::hot);
    EXPECT_EQ(GetCapture(), self);
    // Pressed there, moved off with the button held, released outside: no click.
    SendMessageA(self, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    EXPECT_EQ(button.state(), PictureButton::State::pressed);
    SendMessageA(self, WM_MOUSEMOVE, MK_LBUTTON, outside);
    EXPECT_EQ(button.state(), PictureButton::State::normal);
    EXPECT_NE(GetCapture(), self);
    // With the capture gone the release goes to whatever is under the pointer.
    SendMessageA(form.handle(), WM_LBUTTONUP, 0, MAKELPARAM(80, 120));
    EXPECT_TRUE(mouse::log.empty());

    // Pressed and released inside: one click.
    SendMessageA(self, WM_MOUSEMOVE, 0, inside);
    SendMessageA(self, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    SendMessageA(self, WM_LBUTTONUP, 0, inside);
    EXPECT_EQ(mouse::log, std::vector<std::string>{"clicked"});
    EXPECT_EQ(button.state(), PictureButton::State::normal);
    EXPECT_NE(GetCapture(), self);
}

TEST_F(FrameworkTest, TheSecondPressOfADoubleClickIsStillAPress) {
    mouse::log.clear();
    DrawingBoard board;
    Form form;
    const WindowRecord window = testWindow("double-click");
    const ControlRecord controls[] = {{&board, "Board", {10, 10, 100, 100}}};
    const EventBinding events[] = {{board, MouseEventKind::leftButtonDown, mouse::labelLeftDown},
                                   {board, MouseEventKind::doubleClick, mouse::childRightDown}};
    form.load({&window, controls, {}, events});
    SendMessageA(board.handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(7, 8));
    const std::vector<std::string> expected = {"label left down", "child right down"};
    EXPECT_EQ(mouse::log, expected);
    EXPECT_EQ(mouse::lastX, 7);
    EXPECT_EQ(mouse::lastY, 8);
}

// ---- Pictures ----------------------------------------------------------------------------------

TEST_F(FrameworkTest, PicturesAreDecodedWhenFirstPaintedAndCoverTheirMode) {
    const Picture tile{labelTileJpeg()};
    EXPECT_FALSE(tile.decoded());
    Label label(
        {.backgroundColour = RGB(255, 0, 0), .picture = &tile, .pictureMode = PictureMode::tiled});
    Label natural({.backgroundColour = RGB(255, 0, 0),
                   .picture = &tile,
                   .pictureMode = PictureMode::natural});
    Form form;
    const WindowRecord window = testWindow("pictures");
    const ControlRecord controls[] = {{&label, "Tiled", {10, 10, 100, 60}},
                                      {&natural, "Natural", {10, 100, 100, 60}}};
    form.load({&window, controls, {}, {}});
    pump(100);
    ASSERT_TRUE(tile.decoded());
    EXPECT_EQ(tile.width(), 18);
    EXPECT_EQ(tile.height(), 28);

    // Tiled: the picture repeats over the whole label, so no background colour shows.
    const std::vector<COLORREF> tiled = test_support::capture(label.handle(), {0, 0, 100, 60});
    EXPECT_EQ(std::count(tiled.begin(), tiled.end(), RGB(255, 0, 0)), 0);
    EXPECT_EQ(tiled[static_cast<std::size_t>(30 * 100 + 20)],
              tiled[static_cast<std::size_t>(2 * 100 + 2)]);
    // Natural size: the background colour fills what the picture leaves.
    const std::vector<COLORREF> plain = test_support::capture(natural.handle(), {0, 0, 100, 60});
    EXPECT_EQ(plain[static_cast<std::size_t>(50 * 100 + 90)], RGB(255, 0, 0));
    EXPECT_EQ(plain[static_cast<std::size_t>(5 * 100 + 5)], tile.pixel(5, 5));

    // Data that is not a JPEG decodes to nothing, without failing.
    const unsigned char junk[] = {0xFF, 0xD8, 0x00, 0x11};
    const Picture broken(junk, sizeof junk);
    EXPECT_FALSE(broken.ready());
    EXPECT_EQ(broken.width(), 0);
}

// ---- Menus -------------------------------------------------------------------------------------

namespace menus {
int chosen = 0;
void choose() {
    ++chosen;
}
}  // namespace menus

TEST_F(FrameworkTest, AHiddenTopLevelMenuLeavesNoMenuBarAndItsPopUpShowsTheCurrentMarks) {
    MenuItem options;
    MenuItem first;
    MenuItem hidden;
    MenuItem separator;
    MenuItem last;
    Form form;
    WindowRecord window = testWindow("menus");
    window.border = BorderStyle::fixedSingle;
    const MenuRecord records[] = {
        {&options, "Options", 0, "Options", nullptr, true, false, false, nullptr},
        {&first, "First", 1, "First", nullptr, false, false, false, menus::choose},
        {&hidden, "Hidden", 1, "Hidden", nullptr, true, false, false, nullptr},
        {&separator, "Separator", 1, "-", nullptr, false, false, false, nullptr},
        {&last, "Last", 1, "Last", nullptr, false, true, true, nullptr},
    };
    form.load({&window, {}, records, {}});
    EXPECT_EQ(GetMenu(form.handle()), nullptr);

    HMENU popup = form.createPopupMenu(options);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    EXPECT_FALSE(GetMenuState(popup, 0, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(popup, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_TRUE(GetMenuState(popup, 2, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(popup, 2, MF_BYPOSITION) & MF_GRAYED);
    DestroyMenu(popup);

    first.setChecked(true);
    last.setChecked(false);
    popup = form.createPopupMenu(options);
    EXPECT_TRUE(GetMenuState(popup, 0, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(popup, 2, MF_BYPOSITION) & MF_CHECKED);
    // Choosing an entry raises the item's event.
    menus::chosen = 0;
    SendMessageA(form.handle(), WM_COMMAND, GetMenuItemID(popup, 0), 0);
    EXPECT_EQ(menus::chosen, 1);
    DestroyMenu(popup);
    EXPECT_EQ(form.createPopupMenu(first), nullptr);
}

// ---- Fonts -------------------------------------------------------------------------------------

TEST_F(FrameworkTest, FontSizeAndBoldRebuildTheCurrentFont) {
    TransparentLabel label({.caption = "MM", .font = {.face = "Arial", .height = 19, .weight = 0}});
    Form form;
    const WindowRecord window = testWindow("fonts");
    const ControlRecord controls[] = {{&label, "Label", {10, 10, 100, 40}}};
    form.load({&window, controls, {}, {}});
    HDC screen = GetDC(nullptr);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    label.setFontSize(12);
    LOGFONTA font = label.currentFont();
    EXPECT_EQ(font.lfHeight, -MulDiv(12, pixelsPerInch, 72));
    EXPECT_STREQ(font.lfFaceName, "Arial");  // rebuilt from the control's own font
    label.setFontBold(true);
    font = label.currentFont();
    EXPECT_EQ(font.lfWeight, 700);
    EXPECT_EQ(font.lfHeight, -MulDiv(12, pixelsPerInch, 72));
    label.setFontBold(false);
    EXPECT_EQ(label.currentFont().lfWeight, 0);

    // Without a font of its own a label starts from the default GUI font.
    TransparentLabel plain;
    Form other;
    const ControlRecord otherControls[] = {{&plain, "Plain", {10, 10, 100, 40}}};
    other.load({&window, otherControls, {}, {}});
    LOGFONTA guiFont = {};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof guiFont, &guiFont);
    plain.setFontSize(9);
    EXPECT_STREQ(plain.currentFont().lfFaceName, guiFont.lfFaceName);
    EXPECT_EQ(plain.currentFont().lfHeight, -MulDiv(9, pixelsPerInch, 72));
}

// ---- Keyboard and the end of the loop ----------------------------------------------------------

TEST_F(FrameworkTest, EscapeClosesTheWindowAndTheLastWindowEndsTheLoop) {
    Label label;
    Form form;
    const WindowRecord window = testWindow("escape");
    const ControlRecord controls[] = {{&label, "Label", {10, 10, 80, 20}}};
    form.load({&window, controls, {}, {}});
    static int exits = 0;
    exits = 0;
    registerExitRoutine([] { ++exits; });
    // Esc pressed while a control has the keyboard focus.
    PostMessageA(label.handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    runMessageLoop();
    EXPECT_FALSE(IsWindow(form.handle()));
    EXPECT_FALSE(form.loaded());
    EXPECT_EQ(exits, 1);
}

// ---- Fatal errors ------------------------------------------------------------------------------

void reportWhichText(const std::string&, const std::string& text) {
    if (text.find("未载入欲访问窗口组件所在的窗口") != std::string::npos) {
        std::fputs("report: window not loaded\n", stderr);
    } else if (text.find("指定窗口尚未载入") != std::string::npos) {
        std::fputs("report: control window missing\n", stderr);
    } else {
        std::fputs("report: other\n", stderr);
    }
}

void touchCaptionOfUnbuiltLabel() {
    setRuntimeErrorReporter(reportWhichText);
    Label label;
    label.setCaption("x");
}

void setIntervalOfDestroyedTimer() {
    test_support::initialiseOnce();
    setRuntimeErrorReporter(reportWhichText);
    Timer timer;
    Form form;
    const WindowRecord window = testWindow("fatal");
    const ControlRecord controls[] = {{&timer, "Timer", {}}};
    form.load({&window, controls, {}, {}});
    DestroyWindow(timer.handle());
    timer.setInterval(10);
}

TEST(FrameworkDeathTest, TouchingAControlOfAnUnbuiltWindowIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(touchCaptionOfUnbuiltLabel(), ::testing::ExitedWithCode(-1),
                "report: window not loaded");
    EXPECT_EXIT(setIntervalOfDestroyedTimer(), ::testing::ExitedWithCode(-1),
                "report: control window missing");
}

}  // namespace
