#pragma once

class Context;

// At start-up, before any window reads the table files: a send that stopped while the gateway
// may already have had its batch is settled. What the files already tell is finished without a
// word; otherwise one question ("Mark as Sent", "Keep Pending", the default). Nothing is sent.
void settleUnfinishedSend(Context& context);
