#pragma once
// The panel window and everything on it, by the names the handlers use, and the form
// description the framework builds it from.

#include "recognition/tcp_client.h"
#include "ui/component.h"
#include "ui/drawing_board.h"
#include "ui/form.h"
#include "ui/form_description.h"
#include "ui/label.h"
#include "ui/menu.h"
#include "ui/picture_button.h"
#include "ui/timer.h"

extern ui::Form PanelWindow;
extern ui::Label InfoLabel;
extern ui::TransparentLabel MinimizeButton;
extern ui::TransparentLabel CandidateButton1;
extern ui::TransparentLabel CandidateButton2;
extern ui::TransparentLabel CandidateButton3;
extern ui::TransparentLabel CandidateButton4;
extern ui::TransparentLabel CandidateButton5;
extern ui::TransparentLabel CandidateButton6;
extern ui::TransparentLabel CandidateButton7;
extern ui::TransparentLabel CandidateButton8;
extern ui::TransparentLabel CandidateButton9;
extern ui::TransparentLabel CandidateButton10;
extern ui::PictureButton RewriteButton;
extern ui::TransparentLabel CloseButton;
extern ui::Timer ForegroundTimer;
extern ui::DrawingBoard WritingPad;
// The non-visual TCP client that carries recognition requests and replies.
extern ui::Component<TcpClient> RecognitionClient;

extern ui::MenuItem OptionsMenu;
extern ui::MenuItem TraditionalOutputItem;
extern ui::MenuItem PrecisionItem;
extern ui::MenuItem OnlineDictionaryItem;

// The ten candidate cells in reading order: candidateButton(1) is CandidateButton1.
ui::TransparentLabel& candidateButton(int number);

const ui::FormDescription& panelFormDescription();
