#pragma once

#include <exception>
#include <functional>
#include <string>

// The text of the error box: the message with a full stop appended when its last character has
// a code above that of ".".
std::string ErrorBoxText(const std::string& message);

// Shows an error that ended an event handler: modal for the whole program, caption "Ravelon",
// error icon, OK button.
void ShowErrorBox(const std::exception& error);
void ShowErrorBox(const std::string& message);

// A warning with no owner window, an empty caption, the exclamation icon and an OK button, kept
// on top. It blocks only the calling handler: the main window takes input and runs its handlers
// from the box's event loop until the box is closed.
void WarningBox(const std::string& text);

// A notice that needs no answer but should be read: modal, caption "Ravelon", information icon,
// OK button.
void InformationBox(const std::string& text);

// A question with two answers: modal, caption "Ravelon", question icon, the buttons `yes` (the
// default, Enter) and `no` (also Escape). True for `yes`.
bool QuestionBox(const std::string& text, const std::string& yes, const std::string& no);

// The file dialogs of the menu's commands, the platform's own where it has one. `filters` as Qt
// writes them ("Daten (*.csv *.txt);;Alle Dateien (*)"); `start` a folder or a file in it. The
// path chosen, or empty when the dialog was cancelled.
std::string AskOpenFileName(const std::string& title, const std::string& start,
                            const std::string& filters);
std::string AskSaveFileName(const std::string& title, const std::string& start,
                            const std::string& filters);

// Where a box would be shown, the hook gets its text instead (tests observe the boxes this way
// without a user to close them). Passing nullptr shows real boxes again.
void SetErrorBoxHook(std::function<void(const std::string& text)> hook);
void SetWarningBoxHook(std::function<void(const std::string& text)> hook);
void SetInformationBoxHook(std::function<void(const std::string& text)> hook);
void SetQuestionBoxHook(std::function<bool(const std::string& text)> hook);
// Where a file dialog would be shown, the hook gets its title and answers with the path.
void SetFileDialogHook(std::function<std::string(const std::string& title)> hook);
