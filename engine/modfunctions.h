#pragma once

// The shared module: everything the windows and tallyer-cli take from the engine.
#include "evaluator.h"
#include "localevalues.h"
#include "messagesink.h"
#include "numberformat.h"
#include "pastetext.h"
#include "sheettext.h"
#include "texthelpers.h"
#include "wrap.h"
#include "amountinwords.h"
#include "wordsfile.h"
