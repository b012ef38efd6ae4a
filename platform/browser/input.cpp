// Clicks, the context menu, keys and selection on a document.
#include "browser/input.h"

#include "browser/textmodel.h"

namespace nux::browser {

namespace {

Ref<Event> MakeEvent(std::u16string type, Element* source) {
  Ref<Event> e(new Event);
  e->type = std::move(type);
  e->srcElement = source;
  return e;
}

Element* Target(Element* element) {
  if (element && element->ownerDocument()) return element;
  return nullptr;
}

}  // namespace

MenuOutcome ContextMenu(Element* element, long x, long y) {
  MenuOutcome out;
  element = Target(element);
  if (!element) return out;
  Ref<Document> doc(element->ownerDocument());
  Ref<Event> e = MakeEvent(u"contextmenu", element);
  e->button = 2;
  e->clientX = x;
  e->clientY = y;
  out.eventAllowed = doc->Fire(e);
  if (!out.eventAllowed) return out;
  if (doc->contextMenuHook && doc->contextMenuHook(element, x, y)) {
    out.hostHandled = true;
    return out;
  }
  out.browserMenu = true;
  ++doc->browserMenus;
  return out;
}

bool FireMouse(Element* element, const char16_t* type, long button, long x, long y) {
  element = Target(element);
  if (!element) return true;
  Ref<Document> doc(element->ownerDocument());
  Ref<Element> keep(element);
  Ref<Event> e = MakeEvent(type, element);
  e->button = button;
  e->clientX = x;
  e->clientY = y;
  return doc->Fire(e);
}

void FollowLink(Element* element, ClickOutcome& out) {
  element = Target(element);
  if (!element) return;
  Ref<Document> doc(element->ownerDocument());
  for (Element* p = element; p; p = p->parent()) {
    if (!(p->Is(u"A") || p->Is(u"AREA"))) continue;
    const std::u16string* href = p->FindAttribute(u"href");
    if (!href) continue;
    out.navigatedTo = doc->ResolveUrl(*href);
    out.target = p->GetAttribute(u"target");
    if (doc->navigateHook) doc->navigateHook(out.navigatedTo, out.target);
    break;
  }
}

ClickOutcome Click(Element* element, long button, long x, long y) {
  ClickOutcome out;
  element = Target(element);
  if (!element) return out;
  Ref<Document> doc(element->ownerDocument());
  Ref<Element> keep(element);
  out.mouseDownAllowed = FireMouse(element, u"mousedown", button, x, y);
  out.mouseUpAllowed = FireMouse(element, u"mouseup", button, x, y);
  if (button == 2) {
    ContextMenu(element, x, y);
    return out;
  }
  out.clickAllowed = FireMouse(element, u"click", button, x, y);
  if (!out.clickAllowed) return out;
  FollowLink(element, out);
  return out;
}

bool FireKey(Document& doc, const char16_t* type, long code, KeyState state) {
  Ref<Document> keep(&doc);
  Ref<Event> e = MakeEvent(type, doc.body() ? doc.body() : doc.documentElement());
  e->keyCode = code;
  e->shiftKey = state.shift;
  e->ctrlKey = state.ctrl;
  e->altKey = state.alt;
  return doc.Fire(e);
}

KeyOutcome Key(Document& doc, long virtualKey, char16_t character, KeyState state) {
  KeyOutcome out;
  auto fire = [&](const char16_t* type, long code) { return FireKey(doc, type, code, state); };
  out.keyDownAllowed = fire(u"keydown", virtualKey);
  if (out.keyDownAllowed && character) {
    out.keyPressFired = true;
    out.keyPressAllowed = fire(u"keypress", long(character));
  }
  out.keyUpAllowed = fire(u"keyup", virtualKey);
  return out;
}

void TypeText(Document& doc, std::u16string_view text, KeyState state) {
  for (char16_t c : text) {
    long vk = c;
    if (c >= u'a' && c <= u'z') vk = c - 32;
    if (c == u'\n') vk = 0x0D;
    Key(doc, vk, c == u'\n' ? u'\r' : c, state);
  }
}

bool SelectText(Document& doc, std::u16string_view text, int occurrence, long flags) {
  Ref<TextRange> r = doc.CreateRange();
  for (int i = 0; i < occurrence; ++i) {
    if (i) r->Set(r->end(), doc.Text().length());
    if (!r->FindText(text, 0x3FFFFFFF, flags & ~kFindBackward)) return false;
  }
  r->Select();
  return true;
}

std::u16string BodyHtml(const Document& doc) { return doc.body() ? doc.body()->InnerHTML() : std::u16string(); }
std::u16string BodyText(const Document& doc) { return doc.body() ? doc.body()->InnerText() : std::u16string(); }

}  // namespace nux::browser
