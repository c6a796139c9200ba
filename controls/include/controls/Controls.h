#pragma once
// Every built-in control class.
#include "controls/Button.h"
#include "controls/CheckBox.h"
#include "controls/Control.h"
#include "controls/Edit.h"
#include "controls/Label.h"
#include "controls/Layouts.h"
#include "controls/Progress.h"
