#pragma once
// The PC side of the main window: the PC form (toolbar with the quality and
// type choices), the PC folder tree and the PC list. Each registers itself
// in the document when it is made.

#include "application/panes/dir_form.h"
#include "application/panes/dir_list.h"
#include "application/panes/dir_tree.h"
