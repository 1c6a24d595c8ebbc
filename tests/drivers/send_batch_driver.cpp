// Sends the pending list of a data folder once, through the same transaction steps as the send
// window (stamp, journal before the end of the e-mail, then the outcome on disk), so that a test
// can kill it at any instant and look at what the files say afterwards.
//
//     send_batch_driver <data folder> <port>
// Exit status: 0 sent, 2 refused or failed before the end went out, 3 unconfirmed.

#include "core/reminders/send_transaction.h"
#include "core/smtp/gateway_message.h"
#include "core/smtp/smtp_client.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/clock.h"
#include "core/tables/format_settings.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: send_batch_driver <data folder> <port>\n");
        return 64;
    }
    setProcessFormats(FormatSettings{});
    const SendFiles files = SendFiles::in(AppPaths::inOneFolder(argv[1]));
    SystemClock clock;
    auto pending = schemas::makeReminders();
    pending->FieldDelimiter = kRemindersDelimiter;
    pending->Open();
    pending->ReadDelimitedFile(files.reminders);
    auto sent = schemas::makeSentItems();
    sent->Open();
    if (fileExists(files.sentItems))
        sent->ReadDelimitedFile(files.sentItems);

    BatchTransaction transaction(*pending, *sent, files);
    transaction.stamp(false, false, clock.now(), clock.now());
    TIdSMTP smtp;
    smtp.Host = "127.0.0.1";
    smtp.Port = static_cast<uint16_t>(std::atoi(argv[2]));
    smtp.Environment.LocalName = "driver.example";
    smtp.BeforeDataEnd = [&transaction] { transaction.beforeDataEnd(); };
    TIdMessage message =
        gatewayMessage({"desk@shop.example", "", ""}, "v.1.0.0.0", transaction.body(), clock.now());
    try {
        smtp.Connect();
        smtp.Send(message);
    } catch (const EIdDeliveryUnconfirmed&) {
        return 3;
    } catch (const std::exception& e) {
        transaction.refused();
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    transaction.accepted(clock.today());
    smtp.Disconnect();
    return 0;
}
