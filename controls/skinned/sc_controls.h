// The skinned controls that forms place, and their registration with the form loader.
#pragma once

#include "controls/skinned/sc_check_box.h"
#include "controls/skinned/sc_file_theme.h"
#include "controls/skinned/sc_form.h"
#include "controls/skinned/sc_image_panel.h"
#include "controls/skinned/sc_menus.h"
#include "controls/skinned/sc_title_bar.h"
#include "controls/skinned/sc_track_bar.h"
#include "platform/classlib/controls.h"

void RegisterSkinnedControls();
