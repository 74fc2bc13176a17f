// Messages that hand a transaction to the pinpad and its result back to the cash register.

#include "common/program.h"
#include "config/log.h"
#include "remote/rc_catalogue.h"
#include "remote/rc_start_trans.h"
#include "requests/transaction.h"

void StartTransMessage(RcPayload payload, RcReply& reply) {
    LogMessage("START TRANS MESSAGE RECEIVED\n");
    // An uncollected result belongs to the transaction this one replaces, also when refused.
    ClearTransactionResult();

    const StartTransRequest request = ParseStartTrans(payload);
    if (SetPendingTransaction(request.typeCode, request.amount, request.gsmNumber, request.reference,
                              IsDesktopProgram()) != 0) {
        reply.Text("ERROR - PENDING TRANSACTION ON SERVER, REQUEST REFUSED");
        LogMessage("Error: still pending transaction, request refused");
        return;
    }
    LogDetail("Incoming request for transaction:\n");
    LogDetail("Transaction type = %d\n", request.typeCode);
    LogDetail("Transaction Amount = %d\n", request.amount);
    LogDetail("Client GSM number = %s\n", request.gsmNumber.c_str());
    LogDetail("Merchant reference = %s\n", request.reference.c_str());
    reply.Text("OK ACCEPTED");
}

void PollTransResultMessage(RcReply& reply) {
    LogMessage("POLL TRANS RESULT MESSAGE RECEIVED\n");
    TransactionBlock result;
    if (TakeTransactionResult(result)) {
        reply.Text("OK");
        reply.Bytes(result.data(), result.size());
    } else if (IsDesktopProgram()) {
        reply.Text("UNFINISHED TRANSACTION, PLEASE WAIT");
    } else {
        reply.Text("UNFINISHED OR NEVER STARTED TRANSACTION, PLEASE WAIT");
    }
}
