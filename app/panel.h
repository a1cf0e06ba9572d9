#pragma once
// The panel program as one object: its window and the controls on it (by the names the
// handlers use), the program-wide state, the script evaluator and the recognition channel.
// Its handlers are its member functions; load() binds them in the form description. Each
// group of handlers is defined in the file named beside it.

#include <memory>

#include "app/panel_state.h"
#include "commit/dictionary_lookup.h"
#include "recognition/automation_object.h"
#include "recognition/candidate_list.h"
#include "recognition/tcp_client.h"
#include "recognition/writing_pad.h"
#include "ui/component.h"
#include "ui/drawing_board.h"
#include "ui/event.h"
#include "ui/form.h"
#include "ui/label.h"
#include "ui/menu.h"
#include "ui/picture.h"
#include "ui/picture_button.h"
#include "ui/timer.h"

class Panel {
  public:
    Panel();
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    // Builds the panel window from its form description (panel_form.cpp); its created event
    // runs the start-up.
    void load();
    // Run once after the message loop has ended: releases the program-wide state.
    void exitRoutine();

  private:
    // ---- Pictures (panel_form.cpp) --------------------------------------------------------
    const ui::Picture panelPicture;    // 305 x 246, the panel's background
    const ui::Picture labelTile;       // 18 x 28, tiled under InfoLabel
    const ui::Picture rewriteFace;     // 83 x 27
    const ui::Picture rewriteFaceHot;  // 83 x 27, pointer over the button

  public:
    // ---- The window and its controls (panel_form.cpp) -------------------------------------
    ui::Form PanelWindow;
    ui::Label InfoLabel;
    ui::TransparentLabel MinimizeButton;
    ui::TransparentLabel CandidateButton1;
    ui::TransparentLabel CandidateButton2;
    ui::TransparentLabel CandidateButton3;
    ui::TransparentLabel CandidateButton4;
    ui::TransparentLabel CandidateButton5;
    ui::TransparentLabel CandidateButton6;
    ui::TransparentLabel CandidateButton7;
    ui::TransparentLabel CandidateButton8;
    ui::TransparentLabel CandidateButton9;
    ui::TransparentLabel CandidateButton10;
    ui::PictureButton RewriteButton;
    ui::TransparentLabel CloseButton;
    ui::Timer ForegroundTimer;
    ui::DrawingBoard WritingPad;
    // The non-visual TCP client that carries recognition requests and replies.
    ui::Component<TcpClient> RecognitionClient;

    ui::MenuItem OptionsMenu;
    ui::MenuItem TraditionalOutputItem;
    ui::MenuItem PrecisionItem;
    ui::MenuItem OnlineDictionaryItem;
    ui::MenuItem AssociationItem;

    // The ten candidate cells in reading order: candidateButton(1) is CandidateButton1.
    ui::TransparentLabel& candidateButton(int number);

    // ---- Program-wide state ---------------------------------------------------------------
    PanelState panelState;
    // The Script Control instance that decodes reply pieces; empty until the panel is created
    // (or if it could not be created).
    AutomationObject scriptEvaluator;

  private:
    // ---- Start-up (panel_startup.cpp) -----------------------------------------------------
    // The created event of PanelWindow: style, placement, size, script evaluator, guide lines,
    // fonts, the panel's own handles, the first tracking and the timer.
    void onPanelCreated();
    // The position-changed event of PanelWindow: tracking stops while minimized and otherwise
    // runs now and every 600 milliseconds.
    void onPanelMoved();

  public:
    // ---- Foreground tracking (foreground_tracking.cpp) ------------------------------------
    // The panel never keeps the activation; every handler that reacts to a press on it and
    // could disturb the activation first hands it back with reactivateTarget.
    void reactivateTarget();

  private:
    // Records the foreground window as targetWindow unless it is the panel's own, and the
    // control with the keyboard focus in the foreground thread as targetFocus.
    void trackForeground();

    // ---- The panel's own behaviours (panel_behaviours.cpp) --------------------------------
    // Right press on the panel's own surface: hands the activation back, then pops up the
    // options menu just below and right of the pointer.
    void showOptionsMenu(const ui::MouseEvent& event);
    // "写简出繁" chosen: flips whether the information line shows the traditional form.
    void toggleTraditionalOutput();
    // "校对在线字典" chosen: flips whether each commit looks the character up online.
    void toggleOnlineLookup();
    // "联想" chosen: flips whether each commit fills the cells with what follows the character;
    // turned off, the followers on show go.
    void toggleAssociation();
    // Press on the "-" glyph: minimizes the panel (tracking stops through the move event).
    void minimizePanel(const ui::MouseEvent& event);
    // Press on the close glyph: drops the recognition connection, then closes the panel; the
    // window goes away through its own message queue once this handler has returned.
    void closePanel(const ui::MouseEvent& event);

    // ---- Writing, recognition and the reply (recognition_wiring.cpp) ----------------------
    void onPadButtonDown(const ui::MouseEvent& event);
    void onPadMouseMove(const ui::MouseEvent& event);
    void finishStroke(const ui::MouseEvent& event);
    // Moves over the panel's surface and candidate cells: the pointer has left the pad.
    void onPointerOffPad(const ui::MouseEvent& event);
    // RecognitionClient's data event: fills the candidate cells from the reply.
    void onReplyData();
    // What the pad decided, carried out in the order it is to happen.
    void carryOut(const PadDecision& decision);
    // Starts RecognitionClient's connect to the request's host and sends the request, which
    // goes out once the connection is made; the GUI thread never waits for the host.
    void runRecognitionRequest(const RecognitionRequest& request);
    // RecognitionClient's connect failed, at once or later: the failure text in the title.
    void showConnectFailure();
    // The four guide lines on the pad, with whatever pen it has.
    void drawGuideLines();
    void drawSegment(const PadSegment& segment);
    PadSize padSize();
    // The cells a decision changes are painted in one pass, not once a cell.
    void setCandidateCaptions(const CandidateCaptions& captions);
    // The cells offer the followers of the character just committed; they go at the first
    // point written on the pad.
    void showFollowers(const CandidateCaptions& captions);
    // Empties the cells when they hold followers; candidates stay.
    void dropFollowers();
    bool cellsHoldFollowers = false;

  public:
    // Wipes the pad and the candidates for the next character: RewriteButton's click, and
    // what the commit runs after a candidate went into the target application.
    void clearPad();

  private:
    // ---- Committing and looking up (commit_handlers.cpp) ----------------------------------
    // The left-button press on candidate cell `number` (1..10): commits the cell's caption.
    ui::MouseHandler candidatePressed(int number);
    // "手写精度" chosen: asks for a new reference value.
    void askReferenceValue();
    // Closes the handle of the last lookup worker and the window that receives the lookups'
    // lines.
    void releaseCommitAndLookup();
    // The receiver of the lookups' lines: made on the GUI thread at the first commit.
    DictionaryLookupReceiver& lookupReceiver();
    std::unique_ptr<DictionaryLookupReceiver> lookupReceiver_;
};

// The informational caption InfoLabel shows at start-up.
extern const char kInfoLabelGreeting[];
