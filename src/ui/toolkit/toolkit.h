#pragma once

// The whole toolkit layer: dialogs, controls and their notification codes.
#include "ui/toolkit/areas.h"
#include "ui/toolkit/buttons.h"
#include "ui/toolkit/circle_palette.h"
#include "ui/toolkit/combo_box.h"
#include "ui/toolkit/edit.h"
#include "ui/toolkit/geometry.h"
#include "ui/toolkit/keyboard_ctrl.h"
#include "ui/toolkit/list_boxes.h"
#include "ui/toolkit/mcontrol.h"
#include "ui/toolkit/mdialog.h"
#include "ui/toolkit/menu_wnd.h"
#include "ui/toolkit/notify_codes.h"
#include "ui/toolkit/skin.h"
#include "ui/toolkit/slider.h"
