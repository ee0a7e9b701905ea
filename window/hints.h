#pragma once

#include <QString>

#include <functional>

class QWidget;

// Asks, over the given window, whether the F1 greeting shall be shown at later starts; true keeps
// it. The question text is complete; the asker only shows it and returns the answer.
using F1QuestionAsker = std::function<bool(QWidget *owner, const QString &strText)>;

// Replaces the asker (tests answer without a person) and returns the one in use before. An empty
// function puts back the standard Yes/No message box.
F1QuestionAsker setF1QuestionAsker(F1QuestionAsker asker);

// The text id of the hint of a push-label of the main window, by its control name; the second
// text of a pair while the panels show a sub result. 0 for a control without a hint.
int HintTextId(const QString &strControl, bool blnSelection);
