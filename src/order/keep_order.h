#ifndef TUNEWERK_ORDER_KEEP_ORDER_H_
#define TUNEWERK_ORDER_KEEP_ORDER_H_

#include "model/channel_tables.h"
#include "order/programme_identity.h"

namespace tunewerk {

// Puts the programmes of `tables` that the old receiver file holds (by
// `match`, made against its tables) first, in the old file's order, and the
// new ones after them in their present order. Entries move whole.
void KeepOldOrder(ChannelTables& tables, const ChannelTables& old, const ProgrammeMatch& match);

}  // namespace tunewerk

#endif  // TUNEWERK_ORDER_KEEP_ORDER_H_
