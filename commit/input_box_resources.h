#pragma once
// Resource numbers of the input box's dialog template (input_box.rc). The buttons use IDOK and
// IDCANCEL.

#define IDD_INPUT_BOX 3300
#define IDC_INPUT_BOX_FRAME 3301
#define IDC_INPUT_BOX_PROMPT 3302
#define IDC_INPUT_BOX_EDIT 3303
