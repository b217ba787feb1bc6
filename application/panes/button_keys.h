#pragma once
// The keys of a window's picture buttons. Each button with a caption answers
// Alt+letter: the letter its caption marks with '&' when no button before it
// took that letter, else the first free letter of its caption (the first
// letters of its words first). Its tooltip then says the caption and the key,
// "Download (Alt+D)". Giving every button of the window its letter at once
// keeps two buttons from sharing one, which would only move the focus.

#include <QKeySequence>
#include <QList>
#include <QString>

namespace vox::panes {

class CHoverButton;

// The caption as it is shown or said: without the mnemonic mark ("&&" stays
// one "&").
QString withoutMnemonic(const QString& caption);

// Gives the captioned buttons (CHoverButton::caption()) their keys and
// tooltips, in this order.
void assignButtonKeys(const QList<CHoverButton*>& buttons);

}  // namespace vox::panes
