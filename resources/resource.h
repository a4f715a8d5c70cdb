#pragma once
// Resource and command numbers of the frame, menus, toolbar and strings.
#include "resources/views.h"
#include "resources/editors.h"
