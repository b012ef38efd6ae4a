// The COM objects of the document model: document, elements, collections, text ranges,
// selection, window, event object and the document's connection point.
#include "browser/html_com.h"

#include <vector>

#include "base/codepage.h"
#include "browser/input.h"
#include "browser/textmodel.h"

const IID IID_IHTMLDocument2 = {0x332C4425, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};
const IID IID_IHTMLDocument3 = {0x3050F485, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IHTMLElement = {0x3050F1FF, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IHTMLElement2 = {0x3050F434, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IHTMLBodyElement = {0x3050F1D8, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IHTMLElementCollection = {0x3050F21F, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IHTMLTxtRange = {0x3050F220, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IHTMLSelectionObject = {0x3050F25A, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IHTMLWindow2 = {0x332C4427, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};
const IID IID_IHTMLEventObj = {0x3050F32D, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IConnectionPointContainer = {0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
const IID IID_IConnectionPoint = {0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
const IID IID_ICustomDoc = {0x3050F3F0, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const IID IID_IDocHostUIHandler = {0xBD3F23C0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
const IID DIID_HTMLDocumentEvents = {0x3050F260, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};

namespace nux::browser {

namespace {

// Our own interface behind every object of the face: the model it stands for.
const IID IID_INuxModel = {0x6E75780A, 0x62F1, 0x4C3A, {0x9D, 0x10, 0x5E, 0x42, 0x72, 0x6F, 0x77, 0x73}};
struct INuxModel : public IUnknown {
  virtual Document* ModelDocument() = 0;
  virtual Element* ModelElement() { return nullptr; }
  virtual TextRange* ModelRange() { return nullptr; }

 protected:
  ~INuxModel() = default;
};

// IUnknown counting and the IDispatch members nobody calls by name on these objects.
#define NUX_COUNTED_DISPATCH                                                                          \
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }                                       \
  ULONG STDMETHODCALLTYPE Release() override {                                                        \
    ULONG r = --refs_;                                                                                \
    if (r == 0) delete this;                                                                          \
    return r;                                                                                         \
  }                                                                                                   \
  NUX_DISPATCH_STUBS

#define NUX_DISPATCH_STUBS                                                                            \
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* p) override {                                      \
    if (p) *p = 0;                                                                                    \
    return S_OK;                                                                                      \
  }                                                                                                   \
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }       \
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {          \
    return DISP_E_UNKNOWNNAME;                                                                        \
  }                                                                                                   \
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) \
      override {                                                                                      \
    return DISP_E_MEMBERNOTFOUND;                                                                     \
  }

template <class T>
HRESULT Hand(T* object, void** out) {
  *out = object;
  object->AddRef();
  return S_OK;
}

// QueryInterface of an object with one scripting face (answering for IUnknown and IDispatch
// too) and the model behind it.
template <class Face, class Object>
HRESULT QueryFaceOrModel(Object* self, const IID& face, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == face) return Hand(static_cast<Face*>(self), ppv);
  if (riid == IID_INuxModel) return Hand(static_cast<INuxModel*>(self), ppv);
  return E_NOINTERFACE;
}

BSTR Bstr(std::u16string_view s) { return SysAllocStringLen(s.data(), UINT(s.size())); }
std::u16string Text(BSTR b) { return b ? std::u16string(b, SysStringLen(b)) : std::u16string(); }

HRESULT PutBstr(BSTR* p, std::u16string_view s) {
  if (!p) return E_POINTER;
  *p = Bstr(s);
  return S_OK;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

bool AsIndex(const VARIANT& v, long& out) {
  VARIANT tmp;
  VariantInit(&tmp);
  switch (V_VT(&v)) {
    case VT_I2: case VT_I4: case VT_INT: case VT_UI1: case VT_UI2: case VT_UI4: case VT_UINT: case VT_R4: case VT_R8:
      if (FAILED(VariantChangeType(&tmp, &v, 0, VT_I4))) return false;
      out = tmp.lVal;
      return true;
    default:
      return false;
  }
}

std::u16string VariantText(const VARIANT& v) {
  if (V_VT(&v) == VT_BSTR) return Text(v.bstrVal);
  VARIANT tmp;
  VariantInit(&tmp);
  if (FAILED(VariantChangeType(&tmp, &v, 0, VT_BSTR))) return {};
  std::u16string s = Text(tmp.bstrVal);
  VariantClear(&tmp);
  return s;
}

INuxModel* ModelOf(IUnknown* object) {
  if (!object) return nullptr;
  INuxModel* m = nullptr;
  if (FAILED(object->QueryInterface(IID_INuxModel, reinterpret_cast<void**>(&m))) || !m) return nullptr;
  m->Release();  // the object stays alive through the caller's own reference
  return m;
}

IDispatch* ElementDispatch(Element* e);

// ---- collection ------------------------------------------------------------------------------

class CollectionObj final : public IHTMLElementCollection, public INuxModel {
 public:
  CollectionObj(Document* doc, const std::vector<Element*>& items) : doc_(doc) {
    items_.reserve(items.size());
    for (Element* e : items) items_.push_back(e);
  }
  NUX_COUNTED_DISPATCH
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    return QueryFaceOrModel<IHTMLElementCollection>(this, IID_IHTMLElementCollection, riid, ppv);
  }
  Document* ModelDocument() override { return doc_.get(); }

  HRESULT STDMETHODCALLTYPE get_length(long* p) override {
    if (!p) return E_POINTER;
    *p = long(items_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE item(VARIANT name, VARIANT index, IDispatch** p) override {
    if (!p) return E_POINTER;
    *p = nullptr;
    long i;
    if (AsIndex(name, i)) {
      if (i >= 0 && size_t(i) < items_.size()) *p = ElementDispatch(items_[size_t(i)].get());
      return S_OK;
    }
    if (V_VT(&name) != VT_BSTR) return V_VT(&name) == VT_EMPTY || V_VT(&name) == VT_ERROR ? E_INVALIDARG : S_OK;
    std::u16string key = Text(name.bstrVal);
    std::vector<Element*> matches;
    for (const auto& e : items_) {
      const std::u16string* id = e->FindAttribute(u"id");
      const std::u16string* nm = e->FindAttribute(u"name");
      if ((id && *id == key) || (nm && *nm == key)) matches.push_back(e.get());
    }
    long j;
    if (AsIndex(index, j)) {
      if (j >= 0 && size_t(j) < matches.size()) *p = ElementDispatch(matches[size_t(j)]);
      return S_OK;
    }
    if (matches.size() == 1) {
      *p = ElementDispatch(matches[0]);
    } else if (matches.size() > 1) {
      auto* sub = new CollectionObj(doc_.get(), matches);
      sub->AddRef();
      *p = static_cast<IHTMLElementCollection*>(sub);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE tags(VARIANT tagName, IDispatch** p) override {
    if (!p) return E_POINTER;
    *p = nullptr;
    std::u16string tag = VariantText(tagName);
    std::vector<Element*> matches;
    for (const auto& e : items_)
      if (EqualNoCase(e->tagName(), tag)) matches.push_back(e.get());
    auto* sub = new CollectionObj(doc_.get(), matches);
    sub->AddRef();
    *p = static_cast<IHTMLElementCollection*>(sub);
    return S_OK;
  }

 private:
  ~CollectionObj() = default;
  ULONG refs_ = 0;
  Ref<Document> doc_;
  std::vector<Ref<Element>> items_;
};

HRESULT HandCollection(Document* doc, const std::vector<Element*>& items, IHTMLElementCollection** p) {
  if (!p) return E_POINTER;
  auto* c = new CollectionObj(doc, items);
  return Hand(static_cast<IHTMLElementCollection*>(c), reinterpret_cast<void**>(p));
}

// ---- text range ----------------------------------------------------------------------------------

bool ParseUnit(BSTR unit, TextUnit& out) {
  std::u16string u = Text(unit);
  if (EqualNoCase(u, u"character")) out = TextUnit::Character;
  else if (EqualNoCase(u, u"word")) out = TextUnit::Word;
  else if (EqualNoCase(u, u"textedit")) out = TextUnit::TextEdit;
  else return false;
  return true;
}

class TxtRangeObj final : public IHTMLTxtRange, public INuxModel {
 public:
  explicit TxtRangeObj(Ref<TextRange> range) : doc_(range->document()), range_(std::move(range)) {}
  NUX_COUNTED_DISPATCH
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    return QueryFaceOrModel<IHTMLTxtRange>(this, IID_IHTMLTxtRange, riid, ppv);
  }
  Document* ModelDocument() override { return doc_.get(); }
  TextRange* ModelRange() override { return range_.get(); }

  static TextRange* Of(IHTMLTxtRange* r) {
    INuxModel* m = ModelOf(r);
    return m ? m->ModelRange() : nullptr;
  }

  HRESULT STDMETHODCALLTYPE get_htmlText(BSTR* p) override { return PutBstr(p, range_->HtmlText()); }
  HRESULT STDMETHODCALLTYPE put_text(BSTR v) override {
    range_->SetText(Text(v));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_text(BSTR* p) override { return PutBstr(p, range_->Text()); }
  HRESULT STDMETHODCALLTYPE parentElement(IHTMLElement** parent) override {
    if (!parent) return E_POINTER;
    *parent = WrapElement(range_->ParentElement());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE duplicate(IHTMLTxtRange** dup) override {
    if (!dup) return E_POINTER;
    return Hand(static_cast<IHTMLTxtRange*>(new TxtRangeObj(range_->Duplicate())), reinterpret_cast<void**>(dup));
  }
  HRESULT STDMETHODCALLTYPE inRange(IHTMLTxtRange* other, VARIANT_BOOL* result) override {
    TextRange* o = Of(other);
    if (!result) return E_POINTER;
    if (!o) return E_INVALIDARG;
    *result = range_->InRange(*o) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE isEqual(IHTMLTxtRange* other, VARIANT_BOOL* result) override {
    TextRange* o = Of(other);
    if (!result) return E_POINTER;
    if (!o) return E_INVALIDARG;
    *result = range_->IsEqual(*o) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE scrollIntoView(VARIANT_BOOL) override {
    if (Element* e = range_->ParentElement()) e->ScrollIntoView(true);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE collapse(VARIANT_BOOL start) override {
    range_->Collapse(start != VARIANT_FALSE);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE move(BSTR unit, long count, long* actual) override {
    return MoveBy(unit, count, actual, &TextRange::Move);
  }
  HRESULT STDMETHODCALLTYPE moveStart(BSTR unit, long count, long* actual) override {
    return MoveBy(unit, count, actual, &TextRange::MoveStart);
  }
  HRESULT STDMETHODCALLTYPE moveEnd(BSTR unit, long count, long* actual) override {
    return MoveBy(unit, count, actual, &TextRange::MoveEnd);
  }
  HRESULT STDMETHODCALLTYPE select() override {
    range_->Select();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE pasteHTML(BSTR html) override {
    range_->PasteHtml(Text(html));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE moveToElementText(IHTMLElement* element) override {
    Element* e = ElementOf(element);
    if (!e) return E_INVALIDARG;
    return range_->MoveToElementText(e) ? S_OK : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE setEndPoint(BSTR how, IHTMLTxtRange* source) override {
    TextRange* o = Of(source);
    if (!o) return E_INVALIDARG;
    return range_->SetEndPoint(Text(how), *o) ? S_OK : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE compareEndPoints(BSTR how, IHTMLTxtRange* source, long* ret) override {
    TextRange* o = Of(source);
    if (!ret) return E_POINTER;
    if (!o) return E_INVALIDARG;
    std::u16string h = Text(how);
    if (!EqualNoCase(h, u"StartToStart") && !EqualNoCase(h, u"StartToEnd") && !EqualNoCase(h, u"EndToStart") &&
        !EqualNoCase(h, u"EndToEnd"))
      return E_INVALIDARG;
    *ret = range_->CompareEndPoints(h, *o);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE findText(BSTR s, long count, long flags, VARIANT_BOOL* success) override {
    if (!success) return E_POINTER;
    *success = range_->FindText(Text(s), count, flags) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }

 private:
  ~TxtRangeObj() = default;
  HRESULT MoveBy(BSTR unit, long count, long* actual, long (TextRange::*how)(TextUnit, long)) {
    TextUnit u;
    if (!ParseUnit(unit, u)) return E_INVALIDARG;
    long moved = (range_.get()->*how)(u, count);
    if (actual) *actual = moved;
    return S_OK;
  }
  ULONG refs_ = 0;
  Ref<Document> doc_;
  Ref<TextRange> range_;
};

IHTMLTxtRange* WrapRange(Ref<TextRange> range) {
  auto* r = new TxtRangeObj(std::move(range));
  r->AddRef();
  return r;
}

// ---- element ---------------------------------------------------------------------------------------

bool ResolvesAddress(const Element& e, std::u16string_view name) {
  if (EqualNoCase(name, u"href"))
    return e.Is(u"A") || e.Is(u"AREA") || e.Is(u"LINK") || e.Is(u"BASE");
  if (EqualNoCase(name, u"src"))
    return e.Is(u"IMG") || e.Is(u"SCRIPT") || e.Is(u"FRAME") || e.Is(u"IFRAME") || e.Is(u"INPUT") || e.Is(u"EMBED");
  return false;
}

class ElementObj final : public IHTMLElement, public IHTMLElement2, public IHTMLBodyElement, public INuxModel {
 public:
  explicit ElementObj(Element* e) : doc_(e->ownerDocument()), el_(e) {}
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG r = --refs_;
    if (r == 0) delete this;
    return r;
  }
  NUX_DISPATCH_STUBS
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLElement)
      return Hand(static_cast<IHTMLElement*>(this), ppv);
    if (riid == IID_IHTMLElement2) return Hand(static_cast<IHTMLElement2*>(this), ppv);
    if (riid == IID_IHTMLBodyElement && el_->Is(u"BODY")) return Hand(static_cast<IHTMLBodyElement*>(this), ppv);
    if (riid == IID_INuxModel) return Hand(static_cast<INuxModel*>(this), ppv);
    return E_NOINTERFACE;
  }
  Document* ModelDocument() override { return el_->ownerDocument(); }
  Element* ModelElement() override { return el_.get(); }

  // IHTMLElement
  HRESULT STDMETHODCALLTYPE setAttribute(BSTR name, VARIANT value, LONG flags) override {
    std::u16string n = Text(name);
    if (n.empty()) return E_INVALIDARG;
    el_->SetAttribute(n, VariantText(value), (flags & 1) != 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE getAttribute(BSTR name, LONG flags, VARIANT* value) override {
    if (!value) return E_POINTER;
    VariantInit(value);
    std::u16string n = Text(name);
    const std::u16string* v = el_->FindAttribute(n, (flags & 1) != 0);
    if (!v) {
      value->vt = VT_NULL;
      return S_OK;
    }
    std::u16string out = *v;
    Document* doc = el_->ownerDocument();
    if (!(flags & 2) && doc && ResolvesAddress(*el_, n)) out = doc->ResolveUrl(out);
    value->vt = VT_BSTR;
    value->bstrVal = Bstr(out);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE removeAttribute(BSTR name, LONG flags, VARIANT_BOOL* ok) override {
    bool removed = el_->RemoveAttribute(Text(name), (flags & 1) != 0);
    if (ok) *ok = removed ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_className(BSTR v) override {
    el_->SetAttribute(u"class", Text(v));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_className(BSTR* p) override { return PutBstr(p, el_->className()); }
  HRESULT STDMETHODCALLTYPE put_id(BSTR v) override {
    el_->SetAttribute(u"id", Text(v));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_id(BSTR* p) override { return PutBstr(p, el_->id()); }
  HRESULT STDMETHODCALLTYPE get_tagName(BSTR* p) override { return PutBstr(p, el_->tagName()); }
  HRESULT STDMETHODCALLTYPE get_parentElement(IHTMLElement** p) override {
    if (!p) return E_POINTER;
    *p = WrapElement(el_->parentElement());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_document(IDispatch** p) override {
    if (!p) return E_POINTER;
    *p = GetDocumentDispatch(el_->ownerDocument());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE scrollIntoView(VARIANT start) override {
    bool top = !(V_VT(&start) == VT_BOOL && start.boolVal == VARIANT_FALSE);
    el_->ScrollIntoView(top);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE contains(IHTMLElement* child, VARIANT_BOOL* result) override {
    if (!result) return E_POINTER;
    Element* c = ElementOf(child);
    *result = (c && el_->Contains(c)) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_innerHTML(BSTR v) override {
    if (el_->Is(u"HTML") || el_->Is(u"TABLE") || el_->Is(u"TBODY") || el_->Is(u"TR") || el_->Is(u"THEAD") ||
        el_->Is(u"TFOOT") || el_->Is(u"HEAD") || el_->Is(u"TITLE"))
      return DISP_E_MEMBERNOTFOUND;  // read-only there, as in the control
    el_->SetInnerHTML(Text(v));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_innerHTML(BSTR* p) override { return PutBstr(p, el_->InnerHTML()); }
  HRESULT STDMETHODCALLTYPE put_innerText(BSTR v) override {
    el_->SetInnerText(Text(v));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_innerText(BSTR* p) override { return PutBstr(p, el_->InnerText()); }
  HRESULT STDMETHODCALLTYPE put_outerHTML(BSTR v) override {
    return el_->SetOuterHTML(Text(v)) ? S_OK : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_outerHTML(BSTR* p) override { return PutBstr(p, el_->OuterHTML()); }
  HRESULT STDMETHODCALLTYPE insertAdjacentHTML(BSTR where, BSTR html) override {
    std::u16string w = Text(where);
    Adjacent a;
    if (EqualNoCase(w, u"beforeBegin")) a = Adjacent::BeforeBegin;
    else if (EqualNoCase(w, u"afterBegin")) a = Adjacent::AfterBegin;
    else if (EqualNoCase(w, u"beforeEnd")) a = Adjacent::BeforeEnd;
    else if (EqualNoCase(w, u"afterEnd")) a = Adjacent::AfterEnd;
    else return E_INVALIDARG;
    return el_->InsertAdjacentHTML(a, Text(html)) ? S_OK : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE get_children(IDispatch** p) override {
    if (!p) return E_POINTER;
    IHTMLElementCollection* c = nullptr;
    HandCollection(el_->ownerDocument(), el_->Children(), &c);
    *p = c;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_all(IDispatch** p) override {
    if (!p) return E_POINTER;
    std::vector<Element*> all;  // document order below this element
    std::vector<std::pair<Element*, size_t>> walk{{el_.get(), 0}};
    while (!walk.empty()) {
      auto& [e, next] = walk.back();
      if (next >= e->childNodes().size()) {
        walk.pop_back();
        continue;
      }
      Node* c = e->childNodes()[next++].get();
      if (Element* ce = c->AsElement()) {
        all.push_back(ce);
        walk.push_back({ce, 0});
      }
    }
    IHTMLElementCollection* c = nullptr;
    HandCollection(el_->ownerDocument(), all, &c);
    *p = c;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE click() override {
    Click(el_.get());
    return S_OK;
  }

  // IHTMLElement2
  HRESULT STDMETHODCALLTYPE put_scrollTop(long v) override {
    if (Document* d = BodyDoc()) d->ScrollTo(d->scrollX(), v);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_scrollTop(long* p) override {
    if (!p) return E_POINTER;
    Document* d = BodyDoc();
    *p = d ? d->scrollY() : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_scrollLeft(long v) override {
    if (Document* d = BodyDoc()) d->ScrollTo(v, d->scrollY());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_scrollLeft(long* p) override {
    if (!p) return E_POINTER;
    Document* d = BodyDoc();
    *p = d ? d->scrollX() : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_scrollHeight(long* p) override { return Extent(p, 1, false); }
  HRESULT STDMETHODCALLTYPE get_scrollWidth(long* p) override { return Extent(p, 0, false); }
  HRESULT STDMETHODCALLTYPE get_clientHeight(long* p) override { return Extent(p, 1, true); }
  HRESULT STDMETHODCALLTYPE get_clientWidth(long* p) override { return Extent(p, 0, true); }
  // A size from the layout: the body's page or window, another element's box; 0 without one.
  HRESULT Extent(long* p, int vertical, bool client) {
    if (!p) return E_POINTER;
    *p = 0;
    Document* doc = el_->ownerDocument();
    Document::View* view = doc ? doc->view() : nullptr;
    if (!view) return S_OK;
    if (BodyDoc()) {
      long w = 0, h = 0, cw = 0, ch = 0;
      if (view->PageSize(w, h, cw, ch)) *p = client ? (vertical ? ch : cw) : (vertical ? h : w);
      return S_OK;
    }
    long box[4];
    if (view->ElementBox(el_.get(), box)) *p = vertical ? box[3] - box[1] : box[2] - box[0];
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE getElementsByTagName(BSTR v, IHTMLElementCollection** p) override {
    std::u16string tag = Text(v);
    std::vector<Element*> out;
    std::vector<std::pair<Element*, size_t>> walk{{el_.get(), 0}};
    while (!walk.empty()) {
      auto& [e, next] = walk.back();
      if (next >= e->childNodes().size()) {
        walk.pop_back();
        continue;
      }
      Node* c = e->childNodes()[next++].get();
      if (Element* ce = c->AsElement()) {
        if (tag == u"*" || EqualNoCase(ce->tagName(), tag)) out.push_back(ce);
        walk.push_back({ce, 0});
      }
    }
    return HandCollection(el_->ownerDocument(), out, p);
  }

  // IHTMLBodyElement
  HRESULT STDMETHODCALLTYPE createTextRange(IHTMLTxtRange** range) override {
    if (!range) return E_POINTER;
    *range = nullptr;
    Document* d = el_->ownerDocument();
    if (!d) return E_FAIL;
    *range = WrapRange(d->CreateRange());
    return S_OK;
  }

 private:
  ~ElementObj() = default;
  Document* BodyDoc() const {
    Document* d = el_->ownerDocument();
    return (d && (d->body() == el_.get() || d->documentElement() == el_.get())) ? d : nullptr;
  }
  ULONG refs_ = 0;
  Ref<Document> doc_;
  Ref<Element> el_;
};

IDispatch* ElementDispatch(Element* e) { return WrapElement(e); }

// ---- event object, window, selection ----------------------------------------------------------------

class EventObj final : public IHTMLEventObj, public INuxModel {
 public:
  EventObj(Document* doc, Event* e) : doc_(doc), ev_(e) {}
  NUX_COUNTED_DISPATCH
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    return QueryFaceOrModel<IHTMLEventObj>(this, IID_IHTMLEventObj, riid, ppv);
  }
  Document* ModelDocument() override { return doc_.get(); }

  HRESULT STDMETHODCALLTYPE get_srcElement(IHTMLElement** p) override {
    if (!p) return E_POINTER;
    *p = WrapElement(ev_->srcElement.get());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_altKey(VARIANT_BOOL* p) override { return Bool(p, ev_->altKey); }
  HRESULT STDMETHODCALLTYPE get_ctrlKey(VARIANT_BOOL* p) override { return Bool(p, ev_->ctrlKey); }
  HRESULT STDMETHODCALLTYPE get_shiftKey(VARIANT_BOOL* p) override { return Bool(p, ev_->shiftKey); }
  HRESULT STDMETHODCALLTYPE put_returnValue(VARIANT v) override {
    long n;
    if (V_VT(&v) == VT_EMPTY)
      ev_->returnValue = Event::Return::Unset;
    else if (V_VT(&v) == VT_BOOL)
      ev_->returnValue = v.boolVal == VARIANT_FALSE ? Event::Return::False : Event::Return::True;
    else if (AsIndex(v, n))
      ev_->returnValue = n == 0 ? Event::Return::False : Event::Return::True;
    else
      return E_INVALIDARG;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_returnValue(VARIANT* p) override {
    if (!p) return E_POINTER;
    VariantInit(p);
    if (ev_->returnValue != Event::Return::Unset) {
      p->vt = VT_BOOL;
      p->boolVal = ev_->returnValue == Event::Return::True ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_cancelBubble(VARIANT_BOOL v) override {
    ev_->cancelBubble = v != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_cancelBubble(VARIANT_BOOL* p) override { return Bool(p, ev_->cancelBubble); }
  HRESULT STDMETHODCALLTYPE put_keyCode(long v) override {
    ev_->keyCode = v;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_keyCode(long* p) override { return Long(p, ev_->keyCode); }
  HRESULT STDMETHODCALLTYPE get_button(long* p) override { return Long(p, ev_->button); }
  HRESULT STDMETHODCALLTYPE get_type(BSTR* p) override { return PutBstr(p, ev_->type); }
  HRESULT STDMETHODCALLTYPE get_clientX(long* p) override { return Long(p, ev_->clientX); }
  HRESULT STDMETHODCALLTYPE get_clientY(long* p) override { return Long(p, ev_->clientY); }

 private:
  ~EventObj() = default;
  static HRESULT Bool(VARIANT_BOOL* p, bool v) {
    if (!p) return E_POINTER;
    *p = v ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  static HRESULT Long(long* p, long v) {
    if (!p) return E_POINTER;
    *p = v;
    return S_OK;
  }
  ULONG refs_ = 0;
  Ref<Document> doc_;
  Ref<Event> ev_;
};

class DocumentFace;
DocumentFace* FaceOf(Document* doc);

class WindowObj final : public IHTMLWindow2, public INuxModel {
 public:
  explicit WindowObj(Document* doc) : doc_(doc) {}
  NUX_COUNTED_DISPATCH
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    return QueryFaceOrModel<IHTMLWindow2>(this, IID_IHTMLWindow2, riid, ppv);
  }
  Document* ModelDocument() override { return doc_.get(); }

  HRESULT STDMETHODCALLTYPE get_document(IHTMLDocument2** p) override;
  HRESULT STDMETHODCALLTYPE get_event(IHTMLEventObj** p) override {
    if (!p) return E_POINTER;
    *p = nullptr;
    if (Event* e = doc_->currentEvent()) {
      auto* obj = new EventObj(doc_.get(), e);
      obj->AddRef();
      *p = obj;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE scrollTo(long x, long y) override {
    doc_->ScrollTo(x, y);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE scrollBy(long x, long y) override {
    doc_->ScrollTo(doc_->scrollX() + x, doc_->scrollY() + y);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_external(IDispatch** p) override {
    if (!p) return E_POINTER;
    *p = nullptr;
    IDocHostUIHandler* ui = UIHandlerOf(doc_.get());
    if (ui) ui->GetExternal(p);
    return S_OK;
  }

 private:
  ~WindowObj() = default;
  ULONG refs_ = 0;
  Ref<Document> doc_;
};

class SelectionObj final : public IHTMLSelectionObject, public INuxModel {
 public:
  explicit SelectionObj(Document* doc) : doc_(doc) {}
  NUX_COUNTED_DISPATCH
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    return QueryFaceOrModel<IHTMLSelectionObject>(this, IID_IHTMLSelectionObject, riid, ppv);
  }
  Document* ModelDocument() override { return doc_.get(); }

  HRESULT STDMETHODCALLTYPE createRange(IDispatch** range) override {
    if (!range) return E_POINTER;
    *range = WrapRange(doc_->Selection().Duplicate());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE empty() override {
    doc_->ClearSelection();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE clear() override {
    if (doc_->HasSelection()) doc_->Selection().PasteHtml(u"");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_type(BSTR* p) override { return PutBstr(p, doc_->HasSelection() ? u"Text" : u"None"); }

 private:
  ~SelectionObj() = default;
  ULONG refs_ = 0;
  Ref<Document> doc_;
};

// ---- document --------------------------------------------------------------------------------------

DISPID EventDispid(const std::u16string& type) {
  static const struct {
    const char16_t* type;
    DISPID id;
  } table[] = {
      {u"click", DISPID_HTMLDOCUMENTEVENTS_ONCLICK},         {u"dblclick", DISPID_HTMLDOCUMENTEVENTS_ONDBLCLICK},
      {u"keydown", DISPID_HTMLDOCUMENTEVENTS_ONKEYDOWN},     {u"keypress", DISPID_HTMLDOCUMENTEVENTS_ONKEYPRESS},
      {u"keyup", DISPID_HTMLDOCUMENTEVENTS_ONKEYUP},         {u"mousedown", DISPID_HTMLDOCUMENTEVENTS_ONMOUSEDOWN},
      {u"mousemove", DISPID_HTMLDOCUMENTEVENTS_ONMOUSEMOVE}, {u"mouseup", DISPID_HTMLDOCUMENTEVENTS_ONMOUSEUP},
      {u"readystatechange", DISPID_HTMLDOCUMENTEVENTS_ONREADYSTATECHANGE},
      {u"contextmenu", DISPID_HTMLDOCUMENTEVENTS_ONCONTEXTMENU},
  };
  for (const auto& t : table)
    if (type == t.type) return t.id;
  return 0;
}

class DocumentFace final : public IHTMLDocument2,
                           public IHTMLDocument3,
                           public IConnectionPointContainer,
                           public ICustomDoc,
                           public INuxModel,
                           public Document::Extension {
 public:
  explicit DocumentFace(Document* doc) : doc_(doc), point_(this) {
    listener_ = doc_->AddListener([this](Event& e) { Dispatch(e); });
    doc_->contextMenuHook = [this](Element* e, long x, long y) { return ShowContextMenu(e, x, y); };
  }
  ~DocumentFace() override {
    doc_->RemoveListener(listener_);
    doc_->contextMenuHook = nullptr;
    std::vector<std::pair<DWORD, IDispatch*>> sinks;
    sinks.swap(sinks_);
    for (auto& s : sinks) s.second->Release();
    if (IDocHostUIHandler* ui = std::exchange(ui_, nullptr)) ui->Release();
  }

  // References to any interface of the face keep the document alive.
  ULONG STDMETHODCALLTYPE AddRef() override {
    doc_->AddRef();
    return ++refs_;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG r = --refs_;
    doc_->Release();  // may end the document, and this face with it
    return r;
  }
  NUX_DISPATCH_STUBS
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IHTMLDocument2)
      return Hand(static_cast<IHTMLDocument2*>(this), ppv);
    if (riid == IID_IHTMLDocument3) return Hand(static_cast<IHTMLDocument3*>(this), ppv);
    if (riid == IID_IConnectionPointContainer) return Hand(static_cast<IConnectionPointContainer*>(this), ppv);
    if (riid == IID_ICustomDoc) return Hand(static_cast<ICustomDoc*>(this), ppv);
    if (riid == IID_INuxModel) return Hand(static_cast<INuxModel*>(this), ppv);
    return E_NOINTERFACE;
  }
  Document* ModelDocument() override { return doc_; }

  // IHTMLDocument2
  HRESULT STDMETHODCALLTYPE get_all(IHTMLElementCollection** p) override { return HandCollection(doc_, doc_->All(), p); }
  HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** p) override {
    if (!p) return E_POINTER;
    *p = WrapElement(doc_->body());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_anchors(IHTMLElementCollection** p) override {
    return HandCollection(doc_, doc_->Anchors(), p);
  }
  HRESULT STDMETHODCALLTYPE get_links(IHTMLElementCollection** p) override { return HandCollection(doc_, doc_->Links(), p); }
  HRESULT STDMETHODCALLTYPE get_title(BSTR* p) override { return PutBstr(p, doc_->title()); }
  HRESULT STDMETHODCALLTYPE put_title(BSTR v) override {
    doc_->SetTitle(Text(v));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_selection(IHTMLSelectionObject** p) override {
    if (!p) return E_POINTER;
    return Hand(static_cast<IHTMLSelectionObject*>(new SelectionObj(doc_)), reinterpret_cast<void**>(p));
  }
  HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** p) override {
    if (!p) return E_POINTER;
    return Hand(static_cast<IHTMLWindow2*>(new WindowObj(doc_)), reinterpret_cast<void**>(p));
  }
  HRESULT STDMETHODCALLTYPE get_URL(BSTR* p) override { return PutBstr(p, doc_->url()); }
  HRESULT STDMETHODCALLTYPE get_readyState(BSTR* p) override { return PutBstr(p, u"complete"); }

  // IHTMLDocument3
  HRESULT STDMETHODCALLTYPE get_documentElement(IHTMLElement** p) override {
    if (!p) return E_POINTER;
    *p = WrapElement(doc_->documentElement());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE getElementById(BSTR v, IHTMLElement** p) override {
    if (!p) return E_POINTER;
    *p = WrapElement(doc_->GetElementById(Text(v)));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE getElementsByName(BSTR v, IHTMLElementCollection** p) override {
    return HandCollection(doc_, doc_->GetElementsByName(Text(v)), p);
  }
  HRESULT STDMETHODCALLTYPE getElementsByTagName(BSTR v, IHTMLElementCollection** p) override {
    return HandCollection(doc_, doc_->GetElementsByTagName(Text(v)), p);
  }

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** cp) override {
    if (!cp) return E_POINTER;
    *cp = nullptr;
    if (riid != DIID_HTMLDocumentEvents) return CONNECT_E_NOCONNECTION;
    return Hand(static_cast<IConnectionPoint*>(&point_), reinterpret_cast<void**>(cp));
  }

  // ICustomDoc
  HRESULT STDMETHODCALLTYPE SetUIHandler(IDocHostUIHandler* handler) override {
    if (handler) handler->AddRef();
    if (IDocHostUIHandler* old = std::exchange(ui_, handler)) old->Release();
    hostFlags_ = 0;
    if (ui_) {
      DOCHOSTUIINFO info{sizeof(DOCHOSTUIINFO), 0, 0, nullptr, nullptr};
      if (ui_->GetHostInfo(&info) == S_OK) hostFlags_ = info.dwFlags;
    }
    return S_OK;
  }

  IDocHostUIHandler* ui() const { return ui_; }
  DWORD hostFlags() const { return hostFlags_; }

 private:
  class ConnectionPoint final : public IConnectionPoint {
   public:
    explicit ConnectionPoint(DocumentFace* face) : face_(face) {}
    ULONG STDMETHODCALLTYPE AddRef() override { return face_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return face_->Release(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
      if (!ppv) return E_POINTER;
      *ppv = nullptr;
      if (riid == IID_IUnknown || riid == IID_IConnectionPoint) return Hand(static_cast<IConnectionPoint*>(this), ppv);
      return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
      if (!iid) return E_POINTER;
      *iid = DIID_HTMLDocumentEvents;
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** cpc) override {
      if (!cpc) return E_POINTER;
      return Hand(static_cast<IConnectionPointContainer*>(face_), reinterpret_cast<void**>(cpc));
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
      if (!sink || !cookie) return E_POINTER;
      *cookie = 0;
      IDispatch* d = nullptr;
      if (FAILED(sink->QueryInterface(DIID_HTMLDocumentEvents, reinterpret_cast<void**>(&d))) || !d) {
        d = nullptr;
        if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d))) || !d) return CONNECT_E_CANNOTCONNECT;
      }
      *cookie = face_->nextCookie_++;
      face_->sinks_.push_back({*cookie, d});
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
      auto& sinks = face_->sinks_;
      for (size_t i = 0; i < sinks.size(); ++i) {
        if (sinks[i].first != cookie) continue;
        IDispatch* d = sinks[i].second;
        sinks.erase(sinks.begin() + long(i));
        d->Release();
        return S_OK;
      }
      return CONNECT_E_NOCONNECTION;
    }

   private:
    DocumentFace* face_;
  };

  void Dispatch(Event& e) {
    DISPID id = EventDispid(e.type);
    if (!id || sinks_.empty()) return;
    std::vector<std::pair<DWORD, IDispatch*>> sinks = sinks_;
    for (auto& s : sinks) s.second->AddRef();
    for (auto& s : sinks) {
      DISPPARAMS params{nullptr, nullptr, 0, 0};
      VARIANT result;
      VariantInit(&result);
      s.second->Invoke(id, GUID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
      if (V_VT(&result) == VT_BOOL && result.boolVal == VARIANT_FALSE) e.returnValue = Event::Return::False;
      VariantClear(&result);
    }
    for (auto& s : sinks) s.second->Release();
  }

  bool ShowContextMenu(Element* e, long x, long y) {
    if (!ui_) return false;
    IDocHostUIHandler* ui = ui_;
    ui->AddRef();
    POINT pt{LONG(x), LONG(y)};
    IHTMLElement* el = WrapElement(e);
    HRESULT hr = ui->ShowContextMenu(CONTEXT_MENU_DEFAULT, &pt, nullptr, el);
    if (el) el->Release();
    ui->Release();
    return hr == S_OK;
  }

  Document* doc_;
  ULONG refs_ = 0;
  ConnectionPoint point_;
  unsigned listener_ = 0;
  std::vector<std::pair<DWORD, IDispatch*>> sinks_;
  DWORD nextCookie_ = 1;
  IDocHostUIHandler* ui_ = nullptr;
  DWORD hostFlags_ = 0;
};

DocumentFace* FaceOf(Document* doc) {
  if (!doc) return nullptr;
  if (auto* face = dynamic_cast<DocumentFace*>(doc->extension())) return face;
  auto face = std::make_unique<DocumentFace>(doc);
  DocumentFace* raw = face.get();
  doc->SetExtension(std::move(face));
  return raw;
}

HRESULT WindowObj::get_document(IHTMLDocument2** p) {
  if (!p) return E_POINTER;
  *p = static_cast<IHTMLDocument2*>(FaceOf(doc_.get()));
  (*p)->AddRef();
  return S_OK;
}

}  // namespace

IDispatch* GetDocumentDispatch(Document* doc) {
  DocumentFace* face = FaceOf(doc);
  if (!face) return nullptr;
  IHTMLDocument2* d = face;
  d->AddRef();
  return d;
}

IHTMLElement* WrapElement(Element* element) {
  if (!element) return nullptr;
  auto* obj = new ElementObj(element);
  IHTMLElement* e = obj;
  e->AddRef();
  return e;
}

Document* DocumentOf(IUnknown* object) {
  INuxModel* m = ModelOf(object);
  return m ? m->ModelDocument() : nullptr;
}

Element* ElementOf(IUnknown* object) {
  INuxModel* m = ModelOf(object);
  return m ? m->ModelElement() : nullptr;
}

IDocHostUIHandler* UIHandlerOf(Document* doc) {
  auto* face = doc ? dynamic_cast<DocumentFace*>(doc->extension()) : nullptr;
  return face ? face->ui() : nullptr;
}

DWORD HostInfoFlagsOf(Document* doc) {
  auto* face = doc ? dynamic_cast<DocumentFace*>(doc->extension()) : nullptr;
  return face ? face->hostFlags() : 0;
}

}  // namespace nux::browser
