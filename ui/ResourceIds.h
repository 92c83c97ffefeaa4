// Resource and control identifiers of the panel (dialog 101) and the freeze dialog (102).
// Shared by the resource script and the code.
#pragma once

#define IDD_CONTROL_PANEL 101
#define IDD_FREEZE_DIALOG 102

// Panel controls.
#define IDC_OBJECT_LIST 100           // created at run time
#define IDC_DISABLE_ALL 1012          // "無効化"
#define IDC_PUSH_DISTANCE 1015
#define IDC_REPEAT_COUNT 1016
#define IDC_PUSH_DISTANCE_SPIN 1017
#define IDC_REPEAT_COUNT_SPIN 1018
#define IDC_VERTEX_COLOR_SCALE 1019
#define IDC_TRANSPARENCY 1020
#define IDC_INVERT_FACES 1021         // "面反転"
#define IDC_TRANSPARENCY_SPIN 1022
#define IDC_COLOR_MODE 1023
#define IDC_HEIGHT_MAP_FILE 1024
#define IDC_BROWSE_HEIGHT_MAP 1025    // "参照"
#define IDC_FREEZE 1026               // "拡張面をﾌﾘｰｽﾞ"
#define IDC_LOAD_HEIGHT_MAP 1027      // "読込"
#define IDC_BRIGHTNESS 1028
#define IDC_PRESET_COLOR_TRACE 1029   // "色ﾄﾚ"
#define IDC_PRESET_BLUR 1030          // "ﾎﾞｶｼ"
#define IDC_PRESET_RESET 1031         // "ﾘｾｯﾄ"
#define IDC_PRESET_BLACK_FRAME 1032   // "黒枠"
#define IDC_HEIGHT_MAP_ON 1033        // "HeightMap"
#define IDC_HEIGHT_MAP_SCALE 1034
#define IDC_HEIGHT_MAP_SCALE_SPIN 1035
#define IDC_BRIGHTNESS_SPIN 1036
#define IDC_NORMAL_PUSH 1037          // "法線方向押し出し"
#define IDC_EXTRACT_COLORS 1038       // "ｶﾗｰ吸出し"
#define IDC_VERTEX_COLOR_SCALE_SPIN 1039
#define IDC_VERTEX_COLOR_PUSH 1040    // "頂点色で押し出し"
#define IDC_PRESET_BOTH_SIDES 1041    // "両面"
#define IDC_QUICK_FREEZE 1045         // "急速冷凍"
#define IDC_FORCE_DISPLAY 1046        // "強制表示"
#define IDC_SELECTION_ONLY 1047       // "選択範囲のみ"

// Freeze dialog controls.
#define IDC_FREEZE_AS_NEW_OBJECT 1040  // "新規ｵﾌﾞｼﾞｪｸﾄで作成"
#define IDC_FREEZE_ADD_TO_SOURCE 1041  // "元のｵﾌﾞｼﾞｪｸﾄに追加"
#define IDC_FREEZE_REPLACE_SOURCE 1042 // "元のｵﾌﾞｼﾞｪｸﾄを置き換え"
#define IDC_FREEZE_RESET_COLORS 1043   // "頂点カラーをリセットする"

// Posted to the panel to reload every control from the selected object.
#define WM_APP_RELOAD (0x8000 + 1)
