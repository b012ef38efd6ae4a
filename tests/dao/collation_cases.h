// German and French words in every letter case, and what the dialect's comparisons, LIKE
// patterns and orderings find among them. Shared by the database layer's tests and the
// tests of the nuxsql command, so that both answer the same questions alike.
#pragma once

namespace collationcases {

struct Word {
  int id;
  const char* name;  // UTF-8
};

inline constexpr Word kWords[] = {
    {1, "Äquator"}, {2, "äquator"}, {3, "Aquator"},  {4, "Éclipse"}, {5, "eclipse"},
    {6, "Zenit"},   {7, "Straße"},  {8, "Øresund"},  {9, "Orion"},   {10, "Bär"},
    {11, "Bar"},    {12, "ÄQUATOR"}, {13, "Ekliptik"}, {14, "BÄR"},
};

// The whole table in the order of text; equal texts keep the order they were stored in.
inline constexpr const char* kOrdered =
    "Aquator,Äquator,äquator,ÄQUATOR,Bar,Bär,BÄR,eclipse,Éclipse,Ekliptik,Øresund,Orion,Straße,Zenit";

struct Case {
  const char* condition;  // a WHERE condition on Name, UTF-8
  const char* names;      // what it selects, ordered by Name, comma-separated
};

inline constexpr Case kCases[] = {
    {"Name = 'äquator'", "Äquator,äquator,ÄQUATOR"},
    {"Name = 'ÄQUATOR'", "Äquator,äquator,ÄQUATOR"},
    {"Name = 'aquator'", "Aquator"},  // accents are kept apart
    {"Name = 'ÉCLIPSE'", "Éclipse"},
    {"Name = 'øresund'", "Øresund"},
    {"Name = 'STRAẞE'", "Straße"},  // the capital sharp s
    {"Name = 'Strasse'", ""},
    {"Name <> 'äquator'", "Aquator,Bar,Bär,BÄR,eclipse,Éclipse,Ekliptik,Øresund,Orion,Straße,Zenit"},
    {"Name < 'b'", "Aquator,Äquator,äquator,ÄQUATOR"},
    {"Name > 'orion'", "Straße,Zenit"},
    {"Name BETWEEN 'bar' AND 'ECLIPSE'", "Bar,Bär,BÄR,eclipse"},
    {"Name IN ('bär', 'ØRESUND')", "Bär,BÄR,Øresund"},
    {"Name NOT IN ('bär', 'äquator', 'zenit')", "Aquator,Bar,eclipse,Éclipse,Ekliptik,Øresund,Orion,Straße"},
    {"Name LIKE 'é*'", "Éclipse"},
    {"Name LIKE 'Ä*'", "Äquator,äquator,ÄQUATOR"},
    {"Name LIKE 'bä?'", "Bär,BÄR"},
    {"Name LIKE '*QUATOR'", "Aquator,Äquator,äquator,ÄQUATOR"},
    {"Name LIKE '[a-b]*'", "Aquator,Äquator,äquator,ÄQUATOR,Bar,Bär,BÄR"},
    {"Name LIKE '[!a-d]*'", "eclipse,Éclipse,Ekliptik,Øresund,Orion,Straße,Zenit"},
    {"Name LIKE 'STRA?E'", "Straße"},
    {"Name LIKE 'ÄQUATOR'", "Äquator,äquator,ÄQUATOR"},
    {"NOT Name LIKE 'e*'", "Aquator,Äquator,äquator,ÄQUATOR,Bar,Bär,BÄR,Éclipse,Øresund,Orion,Straße,Zenit"},
    {"Name > 'zenit'", ""},
};

}  // namespace collationcases
