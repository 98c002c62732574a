#include "app/device_flow.h"

#include "app/commands.h"
#include "base/file_io.h"
#include "link/result_codes.h"

namespace tavrin {

PromptAnswer DeviceFlowHost::confirmWrite(DBase& db, const std::string& question,
                                          const std::string& title, const BackupResult*) {
    Prompter* prompter = db.context().prompter;
    if (!prompter) return PromptAnswer::No;
    return prompter->ask(question, title, PromptIcon::Question, PromptButtons::YesNo);
}

int DeviceFlowHost::readDatabase(DBase& db) {
    const int code = run([&db](Progress& p) {
        const int c = db.ReadFromDevice(p);
        db.ClosePort();
        return c;
    });
    if (code != kResultOk) db.ResetDatabase();
    return code;
}

WriteRequest wholeWriteRequest(const DBase& db, const std::filesystem::path& settingsPath,
                               DatabaseFactory factory) {
    WriteRequest r;
    const bool onPanel = !db.simulation;
    r.backup = onPanel && backupBeforeWrite(db.traits(), settingsPath);
    r.verify = onPanel && db.traits().readBackAfterWrite;
    r.backupsFolder = backupsFolder(settingsPath);
    r.factory = std::move(factory);
    return r;
}

WriteOutcome runWriteFlow(DBase& db, DeviceFlowHost& host, const WriteRequest& request) {
    WriteOutcome out;
    const auto fail = [&](WriteStage stage, int code, std::string text) {
        out.stage = stage;
        out.code = code;
        out.text = std::move(text);
        out.error = true;
        return out;
    };

    const int check = host.checkBeforeWrite(db);
    // A family without a correctness check writes nothing.
    if (check == kResultNotImplemented)
        return fail(WriteStage::Refused, check, db.DescribeResult(check));
    if (check == 2 || !db.writable) return fail(WriteStage::Refused, 2, kWriteRefusedText);
    if (!db.ConfirmIncompleteWrite(request.title)) {
        out.stage = WriteStage::IncompleteDeclined;
        out.code = kResultCancelled;
        return out;
    }

    if (request.backup) {
        BackupResult saved;
        host.run([&](Progress& p) {
            saved = backupPanel(db, request.backupsFolder, p, request.factory);
            return saved.code;
        });
        if (saved.code != kResultOk)
            return fail(WriteStage::Backup, saved.code,
                        db.DescribeResult(saved.code) + "\n" + kBackupFailedText);
        out.backup = std::move(saved);
        host.backupTaken(*out.backup);
    }

    const std::string question = writeQuestion(db, out.backup ? &*out.backup : nullptr);
    if (host.confirmWrite(db, question, request.title, out.backup ? &*out.backup : nullptr) !=
        PromptAnswer::Yes) {
        out.stage = WriteStage::Declined;
        out.code = kResultCancelled;
        return out;
    }

    const int code = host.run([&db, &request](Progress& p) {
        return request.write ? request.write(p) : db.WriteToDevice(p);
    });
    host.afterWrite(db);
    if (code != kResultOk) return fail(WriteStage::Write, code, db.DescribeResult(code));
    if (!request.verify) {
        out.stage = WriteStage::Write;
        out.code = code;
        out.text = db.DescribeResult(code);
        return out;
    }

    host.run([&](Progress& p) {
        out.verify = verifyWrite(db, p, request.factory);
        return out.verify.code;
    });
    out.stage = WriteStage::Verify;
    out.code = out.verify.code;
    if (out.code == kResultOk) {
        out.text = verifiedText(db);
    } else if (out.code == kResultWriteNotConfirmed) {
        out.text = notConfirmedText(db, out.verify.differences);
        if (out.backup)
            out.text +=
                "\nКопия базы прибора до записи: " + pathToUtf8(out.backup->path.filename());
        out.error = true;
    } else {
        out.text = db.DescribeResult(out.code) + "\n" + kReadBackFailedText;
        out.error = true;
    }
    return out;
}

JournalOutcome runReadJournalFlow(DBase& db, DeviceFlowHost& host) {
    JournalOutcome out;
    if (!db.databaseValid) {
        // Without a database the journal's labels would be empty: read it first.
        out.code = host.readDatabase(db);
        if (out.code != kResultOk) {
            out.title = deviceCommandTitle(kCmdReadDatabase);
            out.text = db.DescribeResult(out.code);
            return out;
        }
        out.databaseRead = true;
    }
    out.code = host.run([&db](Progress& p) { return db.ReadJournal(p); });
    out.journalRead = true;
    out.title = deviceCommandTitle(kCmdReadJournal);
    out.text = db.DescribeResult(out.code);
    return out;
}

CommandReport reportCommand(DBase& db, int command, int code) {
    CommandReport r;
    r.text = db.DescribeResult(code);
    r.title = deviceCommandTitle(command);
    const bool statusOnly =
        command == kCmdReadVersion || command == kCmdSetTime || code == kResultCancelled;
    r.error = code != kResultOk && !statusOnly;
    return r;
}

}  // namespace tavrin
