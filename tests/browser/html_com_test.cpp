// The COM face of the document model: documents, elements, collections, ranges, selection,
// window, events through the connection point, and the UI handler.
#include <gtest/gtest.h>

#include <vector>

#include "browser/dom.h"
#include "browser/html_com.h"
#include "browser/input.h"
#include "ui_handler.h"

using nux::browser::Document;
using nux::browser::Ref;
namespace b = nux::browser;

namespace {

// Holds an interface pointer and releases it.
template <class T>
struct Ptr {
  T* p = nullptr;
  Ptr() = default;
  explicit Ptr(T* q) : p(q) {}
  Ptr(const Ptr&) = delete;
  Ptr(Ptr&& o) noexcept : p(o.p) { o.p = nullptr; }
  Ptr& operator=(Ptr&& o) noexcept {
    std::swap(p, o.p);
    return *this;
  }
  ~Ptr() {
    if (p) p->Release();
  }
  T** out() { return &p; }
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

template <class T>
Ptr<T> Query(IUnknown* from, REFIID iid) {
  Ptr<T> r;
  if (from) from->QueryInterface(iid, reinterpret_cast<void**>(r.out()));
  return r;
}

struct Bstr {
  BSTR b;
  explicit Bstr(std::u16string_view s) : b(SysAllocStringLen(s.data(), UINT(s.size()))) {}
  ~Bstr() { SysFreeString(b); }
  operator BSTR() const { return b; }
};

std::u16string Take(BSTR b) {
  std::u16string s = b ? std::u16string(b, SysStringLen(b)) : std::u16string();
  SysFreeString(b);
  return s;
}

VARIANT Var(std::u16string_view s) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringLen(s.data(), UINT(s.size()));
  return v;
}
VARIANT Var(long n) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = LONG(n);
  return v;
}
VARIANT Empty() {
  VARIANT v;
  VariantInit(&v);
  return v;
}

Ref<Document> Page(std::u16string_view body) {
  Ref<Document> doc = Document::CreateBlank(u"file:///C:/Program%20Files/Sv/HTML/page.htm");
  doc->body()->SetInnerHTML(body);
  return doc;
}

Ptr<IHTMLDocument2> Doc2(Document* doc) {
  Ptr<IDispatch> d(b::GetDocumentDispatch(doc));
  return Query<IHTMLDocument2>(d.p, IID_IHTMLDocument2);
}

TEST(HtmlCom, BodyMarkupSelectionAndRangesThroughTheInterfaces) {
  Ref<Document> doc = Page(u"<P>The quick brown fox</P>");
  Ptr<IHTMLDocument2> d = Doc2(doc.get());
  ASSERT_TRUE(d);
  Ptr<IHTMLElement> body;
  ASSERT_EQ(d->get_body(body.out()), S_OK);
  BSTR html = nullptr;
  ASSERT_EQ(body->get_innerHTML(&html), S_OK);
  EXPECT_EQ(Take(html), u"<P>The quick brown fox</P>");

  Ptr<IHTMLSelectionObject> sel;
  ASSERT_EQ(d->get_selection(sel.out()), S_OK);
  BSTR type = nullptr;
  sel->get_type(&type);
  EXPECT_EQ(Take(type), u"None");

  auto bodyEl = Query<IHTMLBodyElement>(body.p, IID_IHTMLBodyElement);
  ASSERT_TRUE(bodyEl);
  Ptr<IHTMLTxtRange> range;
  ASSERT_EQ(bodyEl->createTextRange(range.out()), S_OK);
  VARIANT_BOOL found = VARIANT_FALSE;
  ASSERT_EQ(range->findText(Bstr(u"QUICK brown"), 0x3FFFFFFF, 0, &found), S_OK);
  EXPECT_EQ(found, VARIANT_TRUE);
  ASSERT_EQ(range->select(), S_OK);
  sel->get_type(&type);
  EXPECT_EQ(Take(type), u"Text");

  // The bookmark markers, as the host pastes them.
  Ptr<IDispatch> selDisp;
  ASSERT_EQ(sel->createRange(selDisp.out()), S_OK);
  auto selRange = Query<IHTMLTxtRange>(selDisp.p, IID_IHTMLTxtRange);
  ASSERT_TRUE(selRange);
  BSTR text = nullptr;
  selRange->get_text(&text);
  EXPECT_EQ(Take(text), u"quick brown");
  Ptr<IHTMLTxtRange> head, tail;
  selRange->duplicate(head.out());
  head->collapse(VARIANT_TRUE);
  head->pasteHTML(Bstr(u"{"));
  selRange->duplicate(tail.out());
  tail->collapse(VARIANT_FALSE);
  tail->pasteHTML(Bstr(u"}"));
  body->get_innerHTML(&html);
  EXPECT_EQ(Take(html), u"<P>The {quick brown} fox</P>");

  long moved = 0;
  EXPECT_EQ(head->move(Bstr(u"sentence"), 1, &moved), E_INVALIDARG);
  EXPECT_EQ(head->moveEnd(Bstr(u"Character"), 3, &moved), S_OK);
  EXPECT_EQ(moved, 3);
  long cmp = 9;
  EXPECT_EQ(head->compareEndPoints(Bstr(u"StartToEnd"), tail.p, &cmp), S_OK);
  EXPECT_EQ(cmp, -1);
  EXPECT_EQ(head->compareEndPoints(Bstr(u"Sideways"), tail.p, &cmp), E_INVALIDARG);

  ASSERT_EQ(body->put_innerHTML(Bstr(u"<b>new</b>")), S_OK);
  EXPECT_EQ(b::BodyHtml(*doc), u"<B>new</B>");
  ASSERT_EQ(sel->empty(), S_OK);
  sel->get_type(&type);
  EXPECT_EQ(Take(type), u"None");
  EXPECT_EQ(d->get_body(nullptr), E_POINTER);
}

TEST(HtmlCom, CollectionsFindByNameIdAndIndex) {
  Ref<Document> doc =
      Page(u"<a name=top></a><p id=Search>1</p><p id=Search>2</p><a name=Bookmark17></a><a href=x.htm>x</a>");
  Ptr<IHTMLDocument2> d = Doc2(doc.get());
  Ptr<IHTMLElementCollection> anchors;
  ASSERT_EQ(d->get_anchors(anchors.out()), S_OK);
  long n = 0;
  anchors->get_length(&n);
  EXPECT_EQ(n, 2);
  VARIANT name = Var(u"Bookmark17"), none = Empty();
  Ptr<IDispatch> hit;
  ASSERT_EQ(anchors->item(name, none, hit.out()), S_OK);
  auto a = Query<IHTMLElement>(hit.p, IID_IHTMLElement);
  ASSERT_TRUE(a);
  BSTR tag = nullptr;
  a->get_tagName(&tag);
  EXPECT_EQ(Take(tag), u"A");
  VariantClear(&name);

  Ptr<IHTMLElementCollection> all;
  ASSERT_EQ(d->get_all(all.out()), S_OK);
  VARIANT search = Var(u"Search"), zero = Var(0L), one = Var(1L), missing = Var(u"nothing");
  Ptr<IDispatch> several, first, byNumber, notThere;
  ASSERT_EQ(all->item(search, none, several.out()), S_OK);
  EXPECT_FALSE(Query<IHTMLElement>(several.p, IID_IHTMLElement));  // two hits: a collection
  auto sub = Query<IHTMLElementCollection>(several.p, IID_IHTMLElementCollection);
  ASSERT_TRUE(sub);
  sub->get_length(&n);
  EXPECT_EQ(n, 2);
  ASSERT_EQ(all->item(search, zero, first.out()), S_OK);
  auto el = Query<IHTMLElement>(first.p, IID_IHTMLElement);
  ASSERT_TRUE(el);
  BSTR text = nullptr;
  el->get_innerText(&text);
  EXPECT_EQ(Take(text), u"1");
  ASSERT_EQ(all->item(one, none, byNumber.out()), S_OK);  // HTML, HEAD, ...
  el = Query<IHTMLElement>(byNumber.p, IID_IHTMLElement);
  el->get_tagName(&text);
  EXPECT_EQ(Take(text), u"HEAD");
  ASSERT_EQ(all->item(missing, none, notThere.out()), S_OK);
  EXPECT_FALSE(notThere);
  VariantClear(&search);
  VariantClear(&missing);

  auto d3 = Query<IHTMLDocument3>(d.p, IID_IHTMLDocument3);
  ASSERT_TRUE(d3);
  Ptr<IHTMLElement> byId, noId;
  ASSERT_EQ(d3->getElementById(Bstr(u"Search"), byId.out()), S_OK);
  ASSERT_TRUE(byId);
  ASSERT_EQ(d3->getElementById(Bstr(u"none"), noId.out()), S_OK);
  EXPECT_FALSE(noId);
}

TEST(HtmlCom, GetAttributeResolvesLinksWithFlagZeroAndWalksUp) {
  Ref<Document> doc = Page(u"<a href=\"SVID,10023\" target=ENGINE><b>bold</b><img src=pic.gif href=no.htm></a>");
  Ptr<IHTMLDocument2> d = Doc2(doc.get());
  auto d3 = Query<IHTMLDocument3>(d.p, IID_IHTMLDocument3);
  Ptr<IHTMLElementCollection> imgs;
  d3->getElementsByTagName(Bstr(u"img"), imgs.out());
  VARIANT zero = Var(0L), none = Empty();
  Ptr<IDispatch> imgDisp;
  imgs->item(zero, none, imgDisp.out());
  auto img = Query<IHTMLElement>(imgDisp.p, IID_IHTMLElement);
  ASSERT_TRUE(img);
  VARIANT v;
  ASSERT_EQ(img->getAttribute(Bstr(u"SRC"), 0, &v), S_OK);
  ASSERT_EQ(v.vt, VT_BSTR);
  EXPECT_EQ(Take(v.bstrVal), u"file:///C:/Program%20Files/Sv/HTML/pic.gif");
  ASSERT_EQ(img->getAttribute(Bstr(u"HREF"), 0, &v), S_OK);  // an image's href is not resolved
  EXPECT_EQ(Take(v.bstrVal), u"no.htm");
  ASSERT_EQ(img->getAttribute(Bstr(u"TARGET"), 0, &v), S_OK);
  EXPECT_EQ(v.vt, VT_NULL);
  Ptr<IHTMLElement> link;
  ASSERT_EQ(img->get_parentElement(link.out()), S_OK);
  ASSERT_EQ(link->getAttribute(Bstr(u"HREF"), 0, &v), S_OK);
  EXPECT_EQ(Take(v.bstrVal), u"file:///C:/Program%20Files/Sv/HTML/SVID,10023");
  ASSERT_EQ(link->getAttribute(Bstr(u"href"), 2, &v), S_OK);
  EXPECT_EQ(Take(v.bstrVal), u"SVID,10023");
  ASSERT_EQ(link->getAttribute(Bstr(u"HREF"), 1, &v), S_OK);  // 1: the name with its case
  EXPECT_EQ(v.vt, VT_NULL);
  VARIANT val = Var(u"main");
  ASSERT_EQ(link->setAttribute(Bstr(u"target"), val, 0), S_OK);
  VariantClear(&val);
  BSTR outer = nullptr;
  link->get_outerHTML(&outer);
  EXPECT_EQ(Take(outer), u"<A href=\"SVID,10023\" target=main><B>bold</B><IMG src=pic.gif href=no.htm></A>");
  Ptr<IHTMLElement> body, above;
  link->get_parentElement(body.out());
  BSTR tag = nullptr;
  body->get_tagName(&tag);
  EXPECT_EQ(Take(tag), u"BODY");
  body->get_parentElement(above.out());
  above->get_tagName(&tag);
  EXPECT_EQ(Take(tag), u"HTML");
}

TEST(HtmlCom, ScrollingThroughTheWindowTheBodyAndElements) {
  Ref<Document> doc = Page(u"a<br>b<br>c<br><a name=x>x</a>");
  Ptr<IHTMLDocument2> d = Doc2(doc.get());
  Ptr<IHTMLWindow2> win;
  ASSERT_EQ(d->get_parentWindow(win.out()), S_OK);
  win->scrollTo(0, 0);
  win->scrollTo(5, 100);
  Ptr<IHTMLElement> body;
  d->get_body(body.out());
  auto body2 = Query<IHTMLElement2>(body.p, IID_IHTMLElement2);
  long top = 0, left = 0;
  body2->get_scrollTop(&top);
  body2->get_scrollLeft(&left);
  EXPECT_EQ(top, 100);
  EXPECT_EQ(left, 5);
  Ptr<IHTMLElementCollection> anchors;
  d->get_anchors(anchors.out());
  VARIANT name = Var(u"x"), none = Empty();
  Ptr<IDispatch> a;
  anchors->item(name, none, a.out());
  VariantClear(&name);
  auto el = Query<IHTMLElement>(a.p, IID_IHTMLElement);
  VARIANT top1;
  VariantInit(&top1);
  top1.vt = VT_BOOL;
  top1.boolVal = VARIANT_TRUE;
  ASSERT_EQ(el->scrollIntoView(top1), S_OK);
  body2->get_scrollTop(&top);
  EXPECT_EQ(top, 3 * Document::kLineHeight);
  EXPECT_EQ(doc->scrollTarget(), b::ElementOf(el.p));
}

// A sink of the document events that records what arrives and can cancel a kind of event.
class TestSink final : public IDispatch {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (riid == IID_IUnknown || (riid == IID_IDispatch && offerDispatch)) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
    ids.push_back(id);
    Ptr<IHTMLWindow2> win;
    doc->get_parentWindow(win.out());
    Ptr<IHTMLEventObj> ev;
    win->get_event(ev.out());
    if (!ev) return S_OK;
    Ptr<IHTMLElement> src;
    ev->get_srcElement(src.out());
    BSTR tag = nullptr;
    if (src) src->get_tagName(&tag);
    sources.push_back(Take(tag));
    long key = 0;
    ev->get_keyCode(&key);
    VARIANT_BOOL shift, ctrl, alt;
    ev->get_shiftKey(&shift);
    ev->get_ctrlKey(&ctrl);
    ev->get_altKey(&alt);
    keys.push_back(key * 8 + (shift ? 1 : 0) + (ctrl ? 2 : 0) + (alt ? 4 : 0));
    if (id == cancel) {
      VARIANT no;
      VariantInit(&no);
      if (id == DISPID_HTMLDOCUMENTEVENTS_ONKEYPRESS) {
        no.vt = VT_I4;  // a number 0 cancels as false does
        no.lVal = 0;
      } else {
        no.vt = VT_BOOL;
        no.boolVal = VARIANT_FALSE;
      }
      ev->put_returnValue(no);
    }
    if (result && id == cancelByResult) {
      result->vt = VT_BOOL;
      result->boolVal = VARIANT_FALSE;
    }
    return S_OK;
  }
  IHTMLDocument2* doc = nullptr;
  ULONG refs = 1;
  bool offerDispatch = true;
  DISPID cancel = 0, cancelByResult = 0;
  std::vector<DISPID> ids;
  std::vector<std::u16string> sources;
  std::vector<long> keys;
};

TEST(HtmlCom, EventsReachConnectedSinksWithTheirEventObject) {
  Ref<Document> doc = Page(u"<p>text <a href=\"other.htm#x\" target=ENGINE><img src=i.gif></a></p>");
  std::u16string followed;
  doc->navigateHook = [&](const std::u16string& url, const std::u16string&) { followed = url; };
  Ptr<IHTMLDocument2> d = Doc2(doc.get());
  auto cpc = Query<IConnectionPointContainer>(d.p, IID_IConnectionPointContainer);
  ASSERT_TRUE(cpc);
  Ptr<IConnectionPoint> cp, none;
  EXPECT_EQ(cpc->FindConnectionPoint(IID_IHTMLElement, none.out()), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(cpc->FindConnectionPoint(DIID_HTMLDocumentEvents, cp.out()), S_OK);

  TestSink sink;
  sink.doc = d.p;
  DWORD cookie = 0;
  ASSERT_EQ(cp->Advise(&sink, &cookie), S_OK);
  EXPECT_NE(cookie, 0u);
  EXPECT_EQ(sink.refs, 2u);

  b::Element* img = doc->GetElementsByTagName(u"img")[0];
  b::ClickOutcome click = b::Click(img);
  EXPECT_EQ(sink.ids, (std::vector<DISPID>{-605, -607, -600}));
  EXPECT_EQ(sink.sources, (std::vector<std::u16string>{u"IMG", u"IMG", u"IMG"}));
  EXPECT_TRUE(click.clickAllowed);
  EXPECT_EQ(click.navigatedTo, u"file:///C:/Program%20Files/Sv/HTML/other.htm#x");
  EXPECT_EQ(click.target, u"ENGINE");
  EXPECT_EQ(followed, click.navigatedTo);

  // A handler that sets the return value to false stops the navigation.
  followed.clear();
  sink.cancel = DISPID_HTMLDOCUMENTEVENTS_ONCLICK;
  click = b::Click(img);
  EXPECT_FALSE(click.clickAllowed);
  EXPECT_TRUE(click.navigatedTo.empty());
  EXPECT_TRUE(followed.empty());
  // So does a false result of Invoke.
  sink.cancel = 0;
  sink.cancelByResult = DISPID_HTMLDOCUMENTEVENTS_ONCLICK;
  EXPECT_FALSE(b::Click(img).clickAllowed);

  // Keys: code and shift/control/alt; a cancelled keydown suppresses the keypress.
  sink.ids.clear();
  sink.keys.clear();
  sink.cancelByResult = 0;
  b::KeyOutcome key = b::Key(*doc, 'A', u'a', {true, false, true});
  EXPECT_EQ(sink.ids, (std::vector<DISPID>{-602, -603, -604}));
  EXPECT_EQ(sink.keys, (std::vector<long>{'A' * 8 + 5, 'a' * 8 + 5, 'A' * 8 + 5}));
  EXPECT_TRUE(key.keyPressAllowed);
  sink.cancel = DISPID_HTMLDOCUMENTEVENTS_ONKEYPRESS;
  EXPECT_FALSE(b::Key(*doc, 'B', u'b').keyPressAllowed);
  sink.cancel = DISPID_HTMLDOCUMENTEVENTS_ONKEYDOWN;
  key = b::Key(*doc, 'C', u'c');
  EXPECT_FALSE(key.keyDownAllowed);
  EXPECT_FALSE(key.keyPressFired);

  // Outside an event the window has none.
  Ptr<IHTMLWindow2> win;
  d->get_parentWindow(win.out());
  Ptr<IHTMLEventObj> ev;
  ASSERT_EQ(win->get_event(ev.out()), S_OK);
  EXPECT_FALSE(ev);

  EXPECT_EQ(cp->Unadvise(cookie), S_OK);
  EXPECT_EQ(cp->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(sink.refs, 1u);
  sink.ids.clear();
  b::Click(img);
  EXPECT_TRUE(sink.ids.empty());

  TestSink mute;
  mute.offerDispatch = false;
  EXPECT_EQ(cp->Advise(&mute, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
}

TEST(HtmlCom, TheUIHandlerTakesContextMenusAndHandsOutTheExternalObject) {
  nuxtest::TestHandler handler, second;
  TestSink external;
  handler.external = &external;
  {
    Ref<Document> doc = Page(u"<p>text</p>");
    b::Element* p = doc->body()->Children()[0];
    EXPECT_TRUE(b::ContextMenu(p).browserMenu);  // no handler yet

    Ptr<IHTMLDocument2> d = Doc2(doc.get());
    auto custom = Query<ICustomDoc>(d.p, IID_ICustomDoc);
    ASSERT_TRUE(custom);
    ASSERT_EQ(custom->SetUIHandler(&handler), S_OK);
    EXPECT_EQ(handler.refs, 1u);
    EXPECT_EQ(b::HostInfoFlagsOf(doc.get()), 0x40u);

    b::MenuOutcome menu = b::ContextMenu(p, 12, 30);
    EXPECT_TRUE(menu.hostHandled);
    EXPECT_FALSE(menu.browserMenu);
    EXPECT_EQ(handler.menus, 1);
    EXPECT_EQ(handler.lastX, 12);
    EXPECT_TRUE(handler.menuOnElement);
    handler.menuResult = S_FALSE;  // the handler lets the control show its own
    EXPECT_TRUE(b::Click(p, 2).clickAllowed);
    EXPECT_EQ(handler.menus, 2);
    EXPECT_EQ(doc->browserMenus, 2);

    Ptr<IHTMLWindow2> win;
    d->get_parentWindow(win.out());
    Ptr<IDispatch> ext;
    ASSERT_EQ(win->get_external(ext.out()), S_OK);
    EXPECT_EQ(ext.p, &external);

    ASSERT_EQ(custom->SetUIHandler(&second), S_OK);  // the old one is let go
    EXPECT_EQ(handler.refs, 0u);
    EXPECT_EQ(second.refs, 1u);
  }
  EXPECT_EQ(second.refs, 0u);  // released with the document
  EXPECT_EQ(external.refs, 1u);
}

TEST(HtmlCom, ReferencesKeepTheDocumentAndTheModelIsReachable) {
  Ptr<IDispatch> d;
  Ptr<IHTMLElement> body;
  {
    Ref<Document> doc = Page(u"<p>kept</p>");
    d.p = b::GetDocumentDispatch(doc.get());
    IDispatch* again = b::GetDocumentDispatch(doc.get());
    EXPECT_EQ(again, d.p);  // one object per document
    again->Release();
    auto d2 = Query<IHTMLDocument2>(d.p, IID_IHTMLDocument2);
    d2->get_body(body.out());
  }
  Document* doc = b::DocumentOf(d.p);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(b::BodyHtml(*doc), u"<P>kept</P>");
  EXPECT_EQ(b::ElementOf(body.p), doc->body());
  EXPECT_EQ(b::DocumentOf(body.p), doc);
  EXPECT_EQ(b::GetDocumentDispatch(nullptr), nullptr);
  EXPECT_EQ(b::WrapElement(nullptr), nullptr);
}

}  // namespace
