// Copies of persistable objects: whole objects through the object streams, and the copy of the
// properties two objects share.
#pragma once

#include <string>

#include "runtime/Object.h"

namespace qnexp {

class TBaseObject;

// A new, independent copy of obj that the caller owns; null for a null obj. The copy travels
// through a binary object stream, so it holds what obj persists. An error on the way (a class
// that cannot be made again, say) is raised again with "\r\n复制对象 <caption> 失败" appended to
// its message.
TObject* CloneObject(TObject* obj);

// A copy of a list of any kind, made as a property of kind ptObjects travels: plain lists
// inside a list container. Errors as CloneObject.
TObject* CloneListObject(TObject* list);

// The work of TBaseObject::CopyProperties (see there).
void CopyObjectProperties(TBaseObject& source, TBaseObject& target, const std::string& names);

}  // namespace qnexp
