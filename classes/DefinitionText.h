// The readable text form of a form definition, converted to and from a
// definition tree. The grammar is described in the README ("Form definitions
// as text"); in short:
//
//   MainForm: TMainForm           a component: name, class
//     Caption = "Sondrel"         a property: path = value
//     Font.Style = [fsBold]
//
//     ExitBtn: TButton            a child, indented deeper than its parent
//       OnClick = ExitBtnClick
//
// Values are integers, floats, "texts", identifiers, False, True, nil, sets
// [a, b], lists ( ... ), collections < item ... >, binary data { hex } and a
// few explicit spellings (Int16(5), LongString("..."), Ident("..."),
// Extended(0x...)) that keep a stored tag the plain spelling would not give.
// Texts hold characters of the Windows-1252 code page, written as UTF-8 or as
// \xHH escapes; the binary form stores them in that code page. The printed
// text is plain ASCII.
//
// DefinitionText of a tree read from a binary definition, parsed again, gives
// the same tree and so the same bytes; text that DefinitionText wrote comes
// back unchanged.
#pragma once

#include "DefinitionTree.h"

// Malformed text; the message starts with "file:line:column: ".
SONDREL_EXCEPTION(EParserError, Exception)

TDefComponent ParseDefinitionText(const String& text, const String& fileName);
String DefinitionText(const TDefComponent& root);

// "file:line:column: " for a place in a text, "file: " for a binary record.
String PlacePrefix(const String& fileName, TTextPlace place);
