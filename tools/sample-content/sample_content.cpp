// sample-content: writes the sample content's database and registry into a platform root.
//
//   sample-content CONTENT-FOLDER CONTROL-LIBRARY
//
// CONTENT-FOLDER is the Windows path of the folder that holds NUX.INI (its "Data\Content.mdb"
// is written); CONTROL-LIBRARY is the Linux path of the image control's versioned server file,
// copied to C:\Programme\Starvane7\Controls\ and registered there. The platform root comes from
// NUX_PLATFORM_ROOT. The registry entries are also left as sample.reg in the root.
//
// The content database is built through the database layer with the content password: pages of
// the dictionary, the picture gallery, the reference book and the help, whose bodies link to
// each other, to anchors, to sky objects, to mail and web addresses; look-up records for every
// object kind; display names; the three navigation trees; indexes on every searched column.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "dao/dao.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "fs/root.h"
#include "platform.h"
#include "registry/registry.h"

namespace {

struct Page {
  const char16_t* id;        // ID_QBZ_SV
  const char16_t* tpl;       // ID_TPL
  const char16_t* module;    // SV_MODULE
  const char16_t* name;      // proper_name
  const char16_t* file;      // File
  const char16_t* en;        // DC_ADC_EN (dictionary pages)
  const char16_t* de;        // DC_ADC_DE
  const char16_t* fr;        // DC_ADC_FR
  const char16_t* body;      // HTML
};

// Links inside pages: "SVID,<id>" opens the object menu, a file name (with an optional anchor)
// the page whose File it is. A place on the same page is linked with the page's own file name
// and the anchor: links resolve against the template's address, not the page's.
const Page kPages[] = {
    // The dictionary.
    {u"dict1", u"dict", u"dict", u"Sirius", u"dict_sirius.htm", u"Sirius", u"Sirius", u"Sirius",
     u"<h1>Sirius</h1><p>Sirius (&alpha; Canis Majoris) ist mit -1,46 mag der hellste Stern des Nachthimmels. "
     u"Er steht im Sternbild <a href=\"SVID,cnst9\">Gro&szlig;er Hund</a> und ist nur 8,6 "
     u"<a href=\"dict_lichtjahr.htm\">Lichtjahre</a> entfernt.</p><p>Sirius ist ein "
     u"<a href=\"dict_doppelstern.htm\">Doppelstern</a>: sein Begleiter Sirius B ist ein Wei&szlig;er Zwerg. "
     u"<a href=\"dict_sirius.htm#daten\">Daten</a> | <a href=\"SVID,NSTR32349\">Im Himmel zeigen</a></p>"
     u"<h2><a name=\"daten\"></a>Daten</h2><table><tr><td>Spektraltyp</td><td>A1 V</td></tr>"
     u"<tr><td>Helligkeit</td><td>-1,46 mag</td></tr><tr><td>Entfernung</td><td>8,6 Lj</td></tr></table>"},
    {u"dict2", u"dict", u"dict", u"Beteigeuze", u"dict_beteigeuze.htm", u"Betelgeuse", u"Beteigeuze", u"B\u00e9telgeuse",
     u"<h1>Beteigeuze</h1><p>Der rote &Uuml;berriese Beteigeuze (&alpha; Orionis) markiert die linke Schulter des "
     u"<a href=\"SVID,cnst60\">Orion</a>. Sein Durchmesser &uuml;bertrifft den der Sonne um das 750-fache; seine "
     u"Helligkeit schwankt zwischen 0,0 und 1,6 mag.</p><p>Siehe auch <a href=\"dict_sirius.htm#daten\">die Daten "
     u"von Sirius</a> zum Vergleich und <a href=\"SVID,NSTR27989\">Beteigeuze im Himmel</a>.</p>"},
    {u"dict3", u"dict", u"dict", u"Andromedagalaxie", u"dict_m31.htm", u"Andromeda Galaxy", u"Andromedagalaxie",
     u"Galaxie d'Androm\u00e8de",
     u"<h1>Andromedagalaxie (M31)</h1><p>Die Andromedagalaxie ist mit 2,5 Millionen "
     u"<a href=\"dict_lichtjahr.htm\">Lichtjahren</a> Entfernung das fernste Objekt, das man mit blo&szlig;em Auge "
     u"sehen kann. Sie ist eine Spiralgalaxie wie unsere Milchstra&szlig;e.</p><p><a href=\"m31.jpg\">Bild in der "
     u"Galerie</a> | <a href=\"SVID,NDSO31\">M31 im Himmel</a></p>"},
    {u"dict4", u"dict", u"dict", u"Orionnebel", u"dict_m42.htm", u"Orion Nebula", u"Orionnebel", u"N\u00e9buleuse d'Orion",
     u"<h1>Orionnebel (M42)</h1><p>Der Orionnebel ist ein Sternentstehungsgebiet im Schwertgeh&auml;nge des "
     u"<a href=\"SVID,cnst60\">Orion</a>, rund 1.350 Lichtjahre entfernt. Im Zentrum liegt der Sternhaufen des "
     u"Trapez.</p><p><a href=\"m42.jpg\">Bild in der Galerie</a></p>"},
    {u"dict5", u"dict", u"dict", u"Jupiter", u"dict_jupiter.htm", u"Jupiter", u"Jupiter", u"Jupiter",
     u"<h1>Jupiter</h1><p>Jupiter ist der gr&ouml;&szlig;te Planet des Sonnensystems. Seine Atmosph&auml;re zeigt "
     u"B&auml;nder und den Gro&szlig;en Roten Fleck, einen Wirbelsturm gr&ouml;&szlig;er als die Erde.</p>"
     u"<p><a href=\"dict_jupiter.htm#monde\">Monde</a> | <a href=\"SVID,plnt5\">Jupiter im Himmel</a></p>"
     u"<h2><a name=\"monde\"></a>Monde</h2><p>Die vier Galileischen Monde Io, Europa, Ganymed und Kallisto sind "
     u"schon im Fernglas zu sehen.</p>"},
    {u"dict6", u"dict", u"dict", u"Saturn", u"dict_saturn.htm", u"Saturn", u"Saturn", u"Saturne",
     u"<h1>Saturn</h1><p>Saturn ist der Ringplanet. Seine Ringe bestehen aus Eis und Gestein und sind nur wenige "
     u"hundert Meter dick.</p><p><a href=\"saturn.jpg\">Bild in der Galerie</a> | "
     u"<a href=\"SVID,plnt6\">Saturn im Himmel</a></p>"},
    {u"dict7", u"dict", u"dict", u"Mond", u"dict_mond.htm", u"Moon", u"Mond", u"Lune",
     u"<h1>Mond</h1><p>Der Mond umkreist die Erde in 27,3 Tagen. Seine Phasen wiederholen sich alle 29,5 Tage.</p>"
     u"<p><a href=\"kopernikus.jpg\">Krater Kopernikus</a> | <a href=\"SVID,moon1\">Mond im Himmel</a></p>"},
    {u"NCMT1", u"dict", u"dict", u"Halleyscher Komet", u"dict_halley.htm", u"Halley's Comet", u"Halleyscher Komet",
     u"Com\u00e8te de Halley",
     u"<h1>Halleyscher Komet</h1><p>Der Komet 1P/Halley kehrt alle 75 bis 76 Jahre in das innere Sonnensystem "
     u"zur&uuml;ck, zuletzt 1986 und wieder 2061.</p><p><a href=\"SVID,NCMT1\">Halley im Himmel</a></p>"},
    {u"dict9", u"dict", u"dict", u"Ceres", u"dict_ceres.htm", u"Ceres", u"Ceres", u"C\u00e9r\u00e8s",
     u"<h1>Ceres</h1><p>Ceres ist das gr&ouml;&szlig;te Objekt im Asteroideng&uuml;rtel zwischen Mars und "
     u"<a href=\"dict_jupiter.htm\">Jupiter</a> und z&auml;hlt heute zu den Zwergplaneten.</p>"
     u"<p><a href=\"SVID,NAST1\">Ceres im Himmel</a></p>"},
    {u"dict10", u"dict", u"dict", u"Doppelstern", u"dict_doppelstern.htm", u"Double star", u"Doppelstern",
     u"\u00c9toile double",
     u"<h1>Doppelstern</h1><p>Zwei Sterne, die einander umkreisen, bilden einen Doppelstern. Ein bekanntes "
     u"Beispiel ist <a href=\"dict_sirius.htm\">Sirius</a> mit seinem Begleiter.</p>"},
    {u"dict11", u"dict", u"dict", u"Lichtjahr", u"dict_lichtjahr.htm", u"Light-year", u"Lichtjahr",
     u"Ann\u00e9e-lumi\u00e8re",
     u"<h1>Lichtjahr</h1><p>Ein Lichtjahr ist die Strecke, die das Licht in einem Jahr zur&uuml;cklegt: rund "
     u"9,46 Billionen Kilometer.</p>"},
    {u"dict12", u"dict", u"dict", u"Ekliptik", u"dict_ekliptik.htm", u"Ecliptic", u"Ekliptik", u"\u00c9cliptique",
     u"<h1>Ekliptik</h1><p>Die Ekliptik ist die scheinbare Bahn der Sonne am Himmel. Entlang der Ekliptik "
     u"wandern auch der <a href=\"dict_mond.htm\">Mond</a> und die Planeten.</p>"},
    {u"dict13", u"dict", u"dict", u"Hubble-Weltraumteleskop", u"dict_hubble.htm", u"Hubble Space Telescope",
     u"Hubble-Weltraumteleskop", u"T\u00e9lescope spatial Hubble",
     u"<h1>Hubble-Weltraumteleskop</h1><p>Das Weltraumteleskop umkreist die Erde seit 1990 in rund 540 km "
     u"H&ouml;he. Mehr unter <a href=\"http://hubblesite.org/\" target=\"_blank\">hubblesite.org</a>.</p>"
     u"<p><a href=\"SVID,scft1\">Hubble im Himmel</a></p>"},
    // A head word with an umlaut at its start: the searches and the word list find it however
    // its first letter is written ("äquator", "ÄQUATOR"), and it sorts beside the A words.
    {u"dict14", u"dict", u"dict", u"\u00c4quator", u"dict_aequator.htm", u"Celestial equator", u"\u00c4quator",
     u"\u00c9quateur c\u00e9leste",
     u"<h1>&Auml;quator</h1><p>Der Himmels&auml;quator ist die Projektion des Erd&auml;quators an die Himmelskugel. "
     u"Er teilt den Himmel in eine n&ouml;rdliche und eine s&uuml;dliche H&auml;lfte; die "
     u"<a href=\"dict_ekliptik.htm\">Ekliptik</a> schneidet ihn in den beiden Punkten der Tagundnachtgleiche.</p>"},
    {u"dctb1", u"dctb", u"dict", u"Die hellsten Sterne", u"dctb_hellste.htm", nullptr, nullptr, nullptr,
     u"<h1>Die hellsten Sterne</h1><table><tr><th>Stern</th><th>mag</th></tr>"
     u"<tr><td><a href=\"dict_sirius.htm\">Sirius</a></td><td>-1,46</td></tr>"
     u"<tr><td>Canopus</td><td>-0,74</td></tr><tr><td>Arktur</td><td>-0,05</td></tr>"
     u"<tr><td><a href=\"SVID,NSTR91262\">Wega</a></td><td>0,03</td></tr>"
     u"<tr><td><a href=\"dict_beteigeuze.htm\">Beteigeuze</a></td><td>0,50</td></tr></table>"},
    // The picture gallery.
    {u"pgal1", u"pgal", u"pgal", u"Andromedagalaxie M31", u"m31.jpg", nullptr, nullptr, nullptr,
     u"<h1>Andromedagalaxie M31</h1><p><a href=\"pics\\m31.jpg?ws=800&hs=600\"><img src=\"m31_small.jpg\"></a></p>"
     u"<p>Aufnahme mit 20 Stunden Belichtung. <a href=\"dict_m31.htm\">Im Lexikon</a></p>"},
    {u"pgal2", u"pgal", u"pgal", u"Orionnebel M42", u"m42.jpg", nullptr, nullptr, nullptr,
     u"<h1>Orionnebel M42</h1><p><a href=\"pics\\m42.jpg?ws=800&hs=600\"><img src=\"m42_small.jpg\"></a></p>"
     u"<p>Das Trapez im Zentrum. <a href=\"dict_m42.htm\">Im Lexikon</a></p>"},
    {u"pgal3", u"pgal", u"pgal", u"Jupiter mit Gro\u00dfem Roten Fleck", u"jupiter.jpg", nullptr, nullptr, nullptr,
     u"<h1>Jupiter mit Gro&szlig;em Roten Fleck</h1><p><a href=\"pics\\jupiter.jpg?ws=640&hs=640\">"
     u"<img src=\"jupiter_small.jpg\"></a></p><p><a href=\"dict_jupiter.htm#monde\">Die Monde</a></p>"},
    {u"pgal4", u"pgal", u"pgal", u"Saturn und seine Ringe", u"saturn.jpg", nullptr, nullptr, nullptr,
     u"<h1>Saturn und seine Ringe</h1><p><a href=\"pics\\saturn.jpg?ws=800&hs=500\"><img src=\"saturn_small.jpg\">"
     u"</a></p><p><a href=\"dict_saturn.htm\">Im Lexikon</a></p>"},
    {u"pgal5", u"pgal", u"pgal", u"Mondkrater Kopernikus", u"kopernikus.jpg", nullptr, nullptr, nullptr,
     u"<h1>Mondkrater Kopernikus</h1><p><a href=\"pics\\kopernikus.jpg?ws=800&hs=600\">"
     u"<img src=\"kopernikus_small.jpg\"></a></p><p>93 km Durchmesser. <a href=\"dict_mond.htm\">Der Mond</a></p>"},
    {u"pgal6", u"pgal", u"pgal", u"Komet Hale-Bopp", u"halebopp.jpg", nullptr, nullptr, nullptr,
     u"<h1>Komet Hale-Bopp</h1><p><a href=\"pics\\halebopp.jpg?ws=800&hs=600\"><img src=\"halebopp_small.jpg\"></a>"
     u"</p><p>Der gro&szlig;e Komet von 1997. <a href=\"SVID,NCMT2\">Im Himmel</a></p>"},
    {u"pgal7", u"pgal", u"pgal", u"Plejaden M45", u"m45.jpg", nullptr, nullptr, nullptr,
     u"<h1>Plejaden M45</h1><p><a href=\"pics\\m45.jpg?ws=800&hs=600\"><img src=\"m45_small.jpg\"></a></p>"
     u"<p>Das Siebengestirn im Stier. <a href=\"SVID,NDSO45\">Im Himmel</a></p>"},
    {u"pgal8", u"pggg", u"pgal", u"Galerie: Galaxien und Nebel", u"galerie_deepsky.htm", nullptr, nullptr, nullptr,
     u"<h1>Galaxien und Nebel</h1><ul><li><a href=\"m31.jpg\">Andromedagalaxie</a></li>"
     u"<li><a href=\"m42.jpg\">Orionnebel</a></li><li><a href=\"m45.jpg\">Plejaden</a></li></ul>"},
    // The reference book.
    {u"recb1", u"recb", u"recb", u"Sternbild Orion", u"rb_orion.htm", nullptr, nullptr, nullptr,
     u"<h1>Sternbild Orion</h1><p>Der Himmelsj&auml;ger ist das auff&auml;lligste Sternbild des Winterhimmels. "
     u"Seine hellsten Sterne sind Rigel und <a href=\"dict_beteigeuze.htm\">Beteigeuze</a>; unter dem "
     u"G&uuml;rtel liegt der <a href=\"dict_m42.htm\">Orionnebel</a>.</p><p><a href=\"rb_orion.htm#sterne\">Sterne</a></p>"
     u"<h2><a name=\"sterne\"></a>Sterne</h2><p><a href=\"SVID,NSTR27989\">Beteigeuze</a>, Rigel, Bellatrix.</p>"},
    {u"recb2", u"recb", u"recb", u"Sternbild Gro\u00dfer Hund", u"rb_canismajor.htm", nullptr, nullptr, nullptr,
     u"<h1>Sternbild Gro&szlig;er Hund</h1><p>Der Gro&szlig;e Hund folgt dem <a href=\"rb_orion.htm\">Orion</a>. "
     u"Sein Hauptstern ist <a href=\"SVID,NSTR32349\">Sirius</a>.</p>"},
    {u"recb3", u"recb", u"recb", u"Das Sonnensystem", u"rb_sonnensystem.htm", nullptr, nullptr, nullptr,
     u"<h1>Das Sonnensystem</h1><p>Zum Sonnensystem geh&ouml;ren die Sonne, acht Planeten, ihre Monde, "
     u"Zwergplaneten wie <a href=\"dict_ceres.htm\">Ceres</a>, Asteroiden und <a href=\"rb_kometen.htm\">Kometen</a>."
     u"</p>"},
    {u"recb4", u"recb", u"recb", u"Die Planeten", u"rb_planeten.htm", nullptr, nullptr, nullptr,
     u"<h1>Die Planeten</h1><p>Merkur, Venus, Erde, Mars, <a href=\"dict_jupiter.htm\">Jupiter</a>, "
     u"<a href=\"dict_saturn.htm\">Saturn</a>, Uranus und Neptun.</p><p><a href=\"rb_planeten.htm#riesen\">Gasriesen</a></p>"
     u"<h2><a name=\"riesen\"></a>Gasriesen</h2><p>Jupiter und Saturn bestehen vor allem aus Wasserstoff und "
     u"Helium.</p>"},
    {u"recb5", u"recb", u"recb", u"Kometen und ihre Bahnen", u"rb_kometen.htm", nullptr, nullptr, nullptr,
     u"<h1>Kometen und ihre Bahnen</h1><p>Kometen sind Eisk&ouml;rper auf langgestreckten Bahnen. Periodische "
     u"Kometen wie <a href=\"SVID,NCMT1\">Halley</a> kehren regelm&auml;&szlig;ig wieder, andere wie "
     u"<a href=\"SVID,NCMT2\">Hale-Bopp</a> erst nach Jahrtausenden.</p>"},
    {u"recb6", u"recb", u"recb", u"Galaxien", u"rb_galaxien.htm", nullptr, nullptr, nullptr,
     u"<h1>Galaxien</h1><p>Galaxien sind Sternsysteme aus Milliarden von Sternen. Die n&auml;chste gro&szlig;e "
     u"ist die <a href=\"dict_m31.htm\">Andromedagalaxie</a>.</p>"},
    {u"recb7", u"recb", u"recb", u"Sternentwicklung", u"rb_sternentwicklung.htm", nullptr, nullptr, nullptr,
     u"<h1>Sternentwicklung</h1><p>Sterne entstehen in Gasnebeln wie dem <a href=\"dict_m42.htm\">Orionnebel</a>, "
     u"leben auf der Hauptreihe und enden als Wei&szlig;e Zwerge, Neutronensterne oder Schwarze L&ouml;cher.</p>"},
    {u"recb8", u"rbpg", u"recb", u"Der Messier-Katalog", u"rb_messier.htm", nullptr, nullptr, nullptr,
     u"<h1>Der Messier-Katalog</h1><p>Charles Messier verzeichnete 110 Nebel und Sternhaufen, darunter "
     u"<a href=\"SVID,NDSO31\">M31</a>, <a href=\"SVID,NDSO42\">M42</a> und <a href=\"SVID,NDSO45\">M45</a>.</p>"},
    // The help.
    {u"help1", u"hlpw", u"help", u"Erste Schritte", u"help_start.htm", nullptr, nullptr, nullptr,
     u"<h1>Erste Schritte</h1><p>Das Nachschlagewerk &ouml;ffnet sich &uuml;ber das Objektmen&uuml; eines "
     u"Himmelsobjekts. Lesen Sie auch <a href=\"help_suche.htm\">Suchen</a> und "
     u"<a href=\"help_lesezeichen.htm\">Lesezeichen</a>.</p>"},
    {u"help2", u"hlps", u"help", u"Suchen im Nachschlagewerk", u"help_suche.htm", nullptr, nullptr, nullptr,
     u"<h1>Suchen im Nachschlagewerk</h1><p>Geben Sie Suchbegriffe ein und verkn&uuml;pfen Sie sie mit UND, ODER "
     u"und NICHT. <a href=\"help_suche.htm#beispiele\">Beispiele</a></p><h2><a name=\"beispiele\"></a>Beispiele</h2>"
     u"<p>Saturn UND Ringe; Komet NICHT Halley</p>"},
    {u"help3", u"hlpw", u"help", u"Lesezeichen", u"help_lesezeichen.htm", nullptr, nullptr, nullptr,
     u"<h1>Lesezeichen</h1><p>Mit Lesezeichen merken Sie sich Seiten. Sechs Farben ordnen sie nach Art.</p>"},
    {u"help4", u"hlpw", u"help", u"Das Objektmen\u00fc", u"help_objektmenue.htm", nullptr, nullptr, nullptr,
     u"<h1>Das Objektmen&uuml;</h1><p>Ein Klick auf ein Himmelsobjekt, etwa <a href=\"SVID,NSTR32349\">Sirius</a>, "
     u"zeigt seine Seiten und die Befehle des Himmelsansicht: Zentrieren, Verfolgen, Info.</p>"},
    {u"help5", u"hlpw", u"help", u"Drucken", u"help_drucken.htm", nullptr, nullptr, nullptr,
     u"<h1>Drucken</h1><p>Jede Seite l&auml;sst sich mit Kopf- und Fu&szlig;zeile drucken.</p>"},
    {u"help6", u"hlps", u"help", u"Kontakt und Support", u"help_kontakt.htm", nullptr, nullptr, nullptr,
     u"<h1>Kontakt und Support</h1><p>Fragen beantwortet der Support unter "
     u"<a href=\"mailto:support@starvane.example\">support@starvane.example</a>. Aktualisierungen finden Sie auf "
     u"<a href=\"http://www.starvane.example/update\">www.starvane.example</a>; Dateien auch per "
     u"<a href=\"ftp://ftp.starvane.example/pub/\">FTP</a>.</p>"},
    // An encyclopaedia page: listed by searches, not shown by this version.
    {u"enc1", u"ENC", u"ENC", u"Astronomie (Enzyklop\u00e4die)", u"enc_astronomie.htm", nullptr, nullptr, nullptr,
     u"<h1>Astronomie</h1><p>Die Enzyklop&auml;die ist in dieser Ausgabe nicht enthalten.</p>"},
    // The big picture of the Orion Nebula page, shown by the big-picture window for the address
    // "pics\\m42.jpg?ws=800&hs=600"; a click on it closes the window.
    {u"pgal9", u"pgal", u"pgal", u"Orionnebel M42 (Gro\u00dfbild)", u"pics\\m42.jpg", nullptr, nullptr, nullptr,
     u"<a href=\"close\" target=\"ENGINE\"><img src=\"pics/m42.jpg\" width=\"800\" height=\"600\"></a>"},
};

// Look-up records: object id, kind, sky-view number, dictionary, picture-gallery, reference-book
// and help page numbers (-1: NULL).
struct Lookup {
  const char16_t* id;
  const char16_t* kind;  // nullptr: NULL
  int sky, dict, pgal, recb, help;
  const char16_t* name;
};

const Lookup kLookups[] = {
    {u"NSTR32349", u"NSTR", 32349, 1, -1, 2, -1, u"Sirius"},
    {u"NSTR27989", u"NSTR", 27989, 2, -1, 1, -1, u"Beteigeuze"},
    {u"NSTR91262", u"NSTR", -1, -1, -1, -1, -1, u"Wega"},  // kind alone, every number NULL
    {u"NDSO31", u"NDSO", 31, 3, 1, 6, -1, u"Andromedagalaxie M31"},
    {u"NDSO42", u"NDSO", 42, 4, 2, 1, -1, u"Orionnebel M42"},
    {u"NDSO45", u"NDSO", 45, -1, 7, 8, -1, u"Plejaden M45"},
    {u"plnt5", u"plnt", 5, 5, 3, 4, -1, u"Jupiter"},
    {u"plnt6", u"plnt", 6, 6, 4, 4, -1, u"Saturn"},
    {u"moon1", u"moon", 1, 7, 5, 3, -1, u"Mond"},
    {u"NCMT1", u"NCMT", 1, -1, -1, 5, -1, u"Halleyscher Komet"},  // its own page is NCMT1
    {u"NCMT2", u"NCMT", 2, -1, 6, 5, -1, u"Komet Hale-Bopp"},
    {u"NAST1", u"NAST", 1, 9, -1, 3, -1, u"Ceres"},
    {u"scft1", u"scft", 1, 13, -1, -1, 4, u"Hubble-Weltraumteleskop"},
    {u"scft2", nullptr, -1, -1, -1, -1, 4, u"Internationale Raumstation"},  // a help page alone
    {u"cnst60", u"cnst", 60, -1, -1, 1, -1, u"Orion"},
    {u"cnst9", u"cnst", 9, -1, -1, 2, -1, u"Gro\u00dfer Hund"},
};

// Navigation trees: item id, parent id (0: top level), text, page id.
struct NavItem {
  int id, pid;
  const char16_t* title;
  const char16_t* page;
};

const NavItem kHelpTree[] = {
    {1, 0, u"Erste Schritte", u"help1"}, {2, 1, u"Suchen", u"help2"}, {3, 1, u"Lesezeichen", u"help3"},
    {4, 1, u"Das Objektmen\u00fc", u"help4"}, {5, 1, u"Drucken", u"help5"}, {6, 0, u"Kontakt und Support", u"help6"},
};
const NavItem kGalleryTree[] = {
    {1, 0, u"Galaxien und Nebel", u"pgal8"}, {2, 1, u"Andromedagalaxie", u"pgal1"}, {3, 1, u"Orionnebel", u"pgal2"},
    {4, 1, u"Plejaden", u"pgal7"},          {5, 0, u"Sonnensystem", u"pgal3"},    {6, 5, u"Jupiter", u"pgal3"},
    {7, 5, u"Saturn", u"pgal4"},            {8, 5, u"Mond", u"pgal5"},            {9, 5, u"Komet Hale-Bopp", u"pgal6"},
};
const NavItem kBookTree[] = {
    {1, 0, u"Sternbilder", u"recb1"},      {2, 1, u"Orion", u"recb1"},          {3, 1, u"Gro\u00dfer Hund", u"recb2"},
    {4, 0, u"Sonnensystem", u"recb3"},     {5, 4, u"Die Planeten", u"recb4"},   {6, 4, u"Kometen", u"recb5"},
    {7, 0, u"Sterne und Galaxien", u"recb6"}, {8, 7, u"Sternentwicklung", u"recb7"}, {9, 7, u"Galaxien", u"recb6"},
    {10, 7, u"Der Messier-Katalog", u"recb8"},
};

std::u16string Quoted(const char16_t* text) {
  if (!text) return u"NULL";
  std::u16string out = u"'";
  for (const char16_t* p = text; *p; ++p) {
    out += *p;
    if (*p == u'\'') out += u'\'';
  }
  return out + u"'";
}

std::u16string Number(int value) { return value < 0 ? std::u16string(u"NULL") : nux::Format(u"%d", value); }

// The page's text for the full-text search: the body without its tags and character references.
std::u16string SearchText(const std::u16string& html) {
  std::u16string out;
  bool tag = false;
  for (size_t i = 0; i < html.size(); ++i) {
    char16_t c = html[i];
    if (c == u'<') {
      tag = true;
      out += u' ';
    } else if (c == u'>') {
      tag = false;
    } else if (!tag && c == u'&') {
      size_t semi = html.find(u';', i);
      std::u16string ref = semi == std::u16string::npos ? u"" : html.substr(i + 1, semi - i - 1);
      static const struct { const char16_t* name; char16_t c; } kRefs[] = {
          {u"auml", u'\u00e4'}, {u"ouml", u'\u00f6'}, {u"uuml", u'\u00fc'}, {u"Auml", u'\u00c4'},
          {u"Ouml", u'\u00d6'}, {u"Uuml", u'\u00dc'}, {u"szlig", u'\u00df'}, {u"amp", u'&'}, {u"alpha", u'\u03b1'}};
      bool known = false;
      for (const auto& r : kRefs) {
        if (ref == r.name) {
          out += r.c;
          i = semi;
          known = true;
          break;
        }
      }
      if (!known) out += c;
    } else if (!tag) {
      out += c;
    }
  }
  std::u16string compact;
  for (char16_t c : out) {
    if (c == u' ' && (compact.empty() || compact.back() == u' ')) continue;
    compact += c;
  }
  while (!compact.empty() && compact.back() == u' ') compact.pop_back();
  return compact;
}

void Exec(CDaoDatabase& db, const std::u16string& sql) { db.Execute(sql.c_str(), dbFailOnError); }

void BuildNavTable(CDaoDatabase& db, const char16_t* table, const NavItem* items, size_t count) {
  Exec(db, nux::Format(u"CREATE TABLE %ls (ID LONG PRIMARY KEY, PID LONG, Title TEXT(255), ID_TA_HTML TEXT(50))",
                       table));
  Exec(db, nux::Format(u"CREATE INDEX PID ON %ls (PID)", table));
  Exec(db, nux::Format(u"CREATE INDEX ID_TA_HTML ON %ls (ID_TA_HTML)", table));
  for (size_t i = 0; i < count; ++i) {
    Exec(db, nux::Format(u"INSERT INTO %ls (ID, PID, Title, ID_TA_HTML) VALUES (%d, %d, %ls, %ls)", table,
                         items[i].id, items[i].pid, Quoted(items[i].title).c_str(), Quoted(items[i].page).c_str()));
  }
}

void BuildDatabase(const std::u16string& path) {
  DeleteFileW(path.c_str());
  CDaoDatabase db;
  db.Create(path.c_str(), dbLangGeneral u";pwd=7C0E91AF3B58");
  Exec(db,
       u"CREATE TABLE SV_MODULE (ID LONG PRIMARY KEY, ID_QBZ_SV TEXT(50), ID_TPL TEXT(10), SV_MODULE TEXT(10), "
       u"proper_name TEXT(255), HTML MEMO, File TEXT(255), DC_ADC_EN TEXT(255), DC_ADC_DE TEXT(255), "
       u"DC_ADC_FR TEXT(255), SearchText MEMO)");
  for (const char16_t* column : {u"ID_QBZ_SV", u"ID_TPL", u"SV_MODULE", u"proper_name", u"File", u"DC_ADC_EN",
                                 u"DC_ADC_DE", u"DC_ADC_FR"}) {
    Exec(db, nux::Format(u"CREATE INDEX %ls ON SV_MODULE (%ls)", column, column));
  }
  Exec(db,
       u"CREATE TABLE SV_LookUp_Table_Ref (ID_QBZ_SV TEXT(50), SV_TypeId_Lookup TEXT(10), SV_objectId_Lookup LONG, "
       u"DC_objectId_Lookup LONG, PG_objectId_Lookup LONG, RB_objectId_Lookup LONG, HP_objectId_Lookup LONG)");
  Exec(db, u"CREATE INDEX ID_QBZ_SV ON SV_LookUp_Table_Ref (ID_QBZ_SV)");
  Exec(db, u"CREATE TABLE SV_LookUp_Table_Lang (ID_QBZ_SV TEXT(50), proper_name TEXT(255))");
  Exec(db, u"CREATE INDEX ID_QBZ_SV ON SV_LookUp_Table_Lang (ID_QBZ_SV)");

  db.BeginTrans();
  int recordId = 1;
  for (const Page& p : kPages) {
    std::u16string body = p.body;
    Exec(db, u"INSERT INTO SV_MODULE (ID, ID_QBZ_SV, ID_TPL, SV_MODULE, proper_name, HTML, File, DC_ADC_EN, "
             u"DC_ADC_DE, DC_ADC_FR, SearchText) VALUES (" +
                 nux::Format(u"%d", recordId++) + u", " + Quoted(p.id) + u", " + Quoted(p.tpl) + u", " +
                 Quoted(p.module) + u", " + Quoted(p.name) + u", " + Quoted(p.body) + u", " + Quoted(p.file) +
                 u", " + Quoted(p.en) + u", " + Quoted(p.de) + u", " + Quoted(p.fr) + u", " +
                 Quoted(SearchText(body).c_str()) + u")");
    // Every page's display name, under its page id as the look-ups ask for it.
    Exec(db, u"INSERT INTO SV_LookUp_Table_Lang (ID_QBZ_SV, proper_name) VALUES (" + Quoted(p.id) + u", " +
                 Quoted(p.name) + u")");
  }
  for (const Lookup& l : kLookups) {
    Exec(db, u"INSERT INTO SV_LookUp_Table_Ref (ID_QBZ_SV, SV_TypeId_Lookup, SV_objectId_Lookup, "
             u"DC_objectId_Lookup, PG_objectId_Lookup, RB_objectId_Lookup, HP_objectId_Lookup) VALUES (" +
                 Quoted(l.id) + u", " + Quoted(l.kind) + u", " + Number(l.sky) + u", " + Number(l.dict) + u", " +
                 Number(l.pgal) + u", " + Number(l.recb) + u", " + Number(l.help) + u")");
    // NCMT1 is a page id as well; its name is there already.
    if (std::u16string(l.id) != u"NCMT1") {
      Exec(db, u"INSERT INTO SV_LookUp_Table_Lang (ID_QBZ_SV, proper_name) VALUES (" + Quoted(l.id) + u", " +
                   Quoted(l.name) + u")");
    }
  }
  db.CommitTrans();

  BuildNavTable(db, u"HP_Nav_Tree", kHelpTree, std::size(kHelpTree));
  BuildNavTable(db, u"PG_NavTree", kGalleryTree, std::size(kGalleryTree));
  BuildNavTable(db, u"RB_NavTree", kBookTree, std::size(kBookTree));
  db.Close();
}

// A registry export's text value: backslashes and quotes escaped.
std::string RegString(const std::u16string& text) {
  std::string utf8 = nux::ToUtf8(text);
  std::string out;
  for (char c : utf8) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return "\"" + out + "\"";
}

std::string RegistryText(const std::u16string& contentFolder, const std::u16string& controlFile) {
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  text += "[HKEY_LOCAL_MACHINE\\Software\\NUX\\Engine]\r\n\"enabled\"=\"1\"\r\n\"INI\"=" + RegString(contentFolder) +
          "\r\n";
  // The controls' classes and ProgIDs, as the control library registers itself.
  std::string controls = nux::controls::RegistrationText(controlFile);
  text += controls.substr(controls.find("\r\n"));
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: sample-content CONTENT-FOLDER CONTROL-LIBRARY\n");
    return 2;
  }
  std::u16string content = nux::FromUtf8(argv[1]);
  while (!content.empty() && content.back() == u'\\') content.pop_back();
  std::string controlSource = argv[2];
  std::string controlName = controlSource.substr(controlSource.rfind('/') + 1);

  try {
    CreateDirectoryW((content + u"\\Data").c_str(), nullptr);
    BuildDatabase(content + u"\\Data\\Content.mdb");
  } catch (CException* e) {
    WCHAR message[256] = {};
    e->GetErrorMessage(message, 255);
    e->Delete();
    std::fprintf(stderr, "sample-content: the content database: %s\n", nux::ToUtf8(message).c_str());
    return 1;
  }

  // The image control's server file, under the name that carries its version.
  std::u16string controls = u"C:\\Programme\\Starvane7\\Controls";
  CreateDirectoryW(controls.c_str(), nullptr);
  std::u16string controlFile = controls + u"\\" + nux::FromUtf8(controlName);
  std::u16string controlSourceWin = nux::fs::ToWindowsPath(controlSource);
  if (!CopyFileW(controlSourceWin.c_str(), controlFile.c_str(), FALSE)) {
    std::fprintf(stderr, "sample-content: cannot copy %s\n", controlSource.c_str());
    return 1;
  }

  std::string reg = RegistryText(content, controlFile);
  std::ofstream(nux::PlatformRoot() + "/sample.reg", std::ios::binary) << reg;
  if (!nux::registry::ImportRegText(reg)) {
    std::fprintf(stderr, "sample-content: the registry entries were not taken\n");
    return 1;
  }
  std::printf("sample content: %zu pages, %zu look-up records, database %s\n", std::size(kPages),
              std::size(kLookups), nux::ToUtf8(content + u"\\Data\\Content.mdb").c_str());
  return 0;
}
