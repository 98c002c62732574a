// The reply framing of this family: every reply starts with a 3-byte header
// whose byte 2 counts the body bytes; the checksum follows the body. A
// firmware data frame is answered by an acknowledgement and a second frame.
#pragma once

#include "link/dbase.h"

namespace tavrin::r7 {

// Reads one reply (two for a firmware data frame) through `db`'s port into
// `frame`; 0 or the code of the failed pass.
int readReplyFrame(DBase& db, DBase::ReplyFrame& frame, ByteSpan request);

}  // namespace tavrin::r7
