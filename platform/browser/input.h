// User input on a document, as the control delivers it and as tests drive it: clicks, the
// context menu, keys and typed text, text selection, and reading the current DOM back. Each
// fires the document events in the control's order to the document's listeners (and so to
// the sinks connected through the COM face), then performs the default action unless a
// handler cancelled it (set the event's return value to false).
#pragma once

#include <string>

#include "browser/dom.h"

namespace nux::browser {

struct ClickOutcome {
  bool mouseDownAllowed = true;
  bool mouseUpAllowed = true;
  bool clickAllowed = true;  // false: a handler cancelled the click
  // The default action of a click inside a link with an href: the resolved address and the
  // link's target, handed to the document's navigateHook. Empty when nothing was followed.
  std::u16string navigatedTo;
  std::u16string target;
};
// Left button (1): mousedown, mouseup, click. Right button (2): mousedown, mouseup, then
// the context menu as ContextMenu does. Null or foreign elements stand for the body.
ClickOutcome Click(Element* element, long button = 1, long x = 0, long y = 0);
// The pieces of a click, as the control fires them from real input: one mouse event
// ("mousedown", "mouseup", "click", "dblclick") at the element, true when not cancelled; and
// the default action of a click, following the link the element is in.
bool FireMouse(Element* element, const char16_t* type, long button, long x, long y);
void FollowLink(Element* element, ClickOutcome& out);

struct MenuOutcome {
  bool eventAllowed = true;  // the contextmenu event was not cancelled
  bool hostHandled = false;  // the UI handler took the request (its ShowContextMenu gave S_OK)
  bool browserMenu = false;  // the control would have shown its own menu
};
MenuOutcome ContextMenu(Element* element, long x = 0, long y = 0);

struct KeyState {
  bool shift = false, ctrl = false, alt = false;
};
struct KeyOutcome {
  bool keyDownAllowed = true;
  bool keyPressFired = false;  // not when keydown was cancelled, nor without a character
  bool keyPressAllowed = true;
  bool keyUpAllowed = true;
};
// keydown and keyup carry the virtual-key code, keypress the character (when not 0). The
// source element is the body (the document has no focus of its own).
KeyOutcome Key(Document& doc, long virtualKey, char16_t character = 0, KeyState state = {});
// One key event ("keydown", "keypress" or "keyup") as the control window passes its keyboard
// messages on; true when not cancelled.
bool FireKey(Document& doc, const char16_t* type, long code, KeyState state = {});
// Each character as one key (letters give their capital as the virtual-key code).
void TypeText(Document& doc, std::u16string_view text, KeyState state = {});

// Selects the n-th hit (from 1) of the text in the rendered text (findText flags); false
// when there are fewer hits.
bool SelectText(Document& doc, std::u16string_view text, int occurrence = 1, long flags = 0);
// The body's current markup and rendered text ("" without a body).
std::u16string BodyHtml(const Document& doc);
std::u16string BodyText(const Document& doc);

}  // namespace nux::browser
