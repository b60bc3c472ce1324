#pragma once
// The program's dialogs, one file each in gui/dialogs: connection
// settings, object number, object description, the about box, the list of
// supported versions, the instrument's contents, saving the chart and
// finding the instrument.

#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/contents_dialog.h"
#include "gui/dialogs/description_dialog.h"
#include "gui/dialogs/object_number_dialog.h"
#include "gui/dialogs/port_settings_dialog.h"
#include "gui/dialogs/save_chart_dialog.h"
#include "gui/dialogs/search_dialog.h"
#include "gui/dialogs/versions_dialog.h"
