// Property paths over Qt objects: "Name", "Name[n]", "Name.Rest", "Name[n].Rest", read and
// written through the meta-object (dynamic properties too), the published events of
// platform/Events.h and the list objects of controls/Collections.h. Names compare without regard
// to case. Objects travel as component handles. Texts are GBK. User-interface thread only.
#pragma once

#include <string>

#include "runtime/Variant.h"

class QObject;

namespace qnexp {

// Reads path on object.
// - The empty path: the object's handle as decimal text.
// - Without an index: flags as their keys joined with "|"; an object property (a QObject
//   pointer, or a list object) with a further path the value of that path on the object, without
//   one the object's handle as an integer; an event the handler's identity as a 64-bit integer;
//   enumerations as their key names; booleans, integers, reals, texts and dates as such; colours
//   as integers 0x00BBGGRR; other values as Qt prints them.
// - With an index n >= 0: "Objects" of a string list holds no objects (the item is none);
//   otherwise the named property must be a list: the item is entry n of a collection or plain
//   list, while a string list yields its n-th string. With an item, the further path is read on
//   it, or without one the item's handle is the result.
// Errors (null object, unknown property, bad index, an entry that does not exist, a further
// path on no object) yield the empty text.
TVariant TryGetPropValue(QObject* object, const std::string& path);

// Writes text to path on object; true when the assignment succeeded.
// - Without an index: an enumeration (booleans among them) takes a key name, the boolean words
//   (BoolStrs) standing for "True" and "False"; flags take keys joined with "|" or ","; an object
//   property with a further path passes the write on; without one "Clear" (any case) empties a
//   list, and any other text is the handle of the object to assign (0 for none); an event takes
//   the identity of an installed handler (0 uninstalls); other properties take the text
//   converted to their type.
// - With an index n >= 0 on a list: a collection appends an item at n = count and takes item n
//   below it, then writes the further path on the item (a write without a further path is
//   refused before anything changes); a plain list with a further path writes on entry n, and
//   without one puts the action whose handle the text is in place of entry n or appends it; a
//   string list replaces string n or appends the text. "Objects" of a string list cannot be
//   written.
// Everything else (null object, empty path, unknown property, read-only property, a text the
// type cannot take, a bad index) gives false, never an error.
bool TrySetPropValue(QObject* object, const std::string& path, const std::string& text);

}  // namespace qnexp
