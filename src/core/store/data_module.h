#pragma once

// The program's tables, created before any window and destroyed after the last one, so
// that every window (and every grid watching a table) comes and goes while its tables live.
// The windows keep pointers to these under the tables' own names. A table file is read, kept
// aside when unreadable, and written through the functions here.

#include "core/tables/app_paths.h"
#include "core/tables/mem_data.h"

#include <memory>
#include <string>

class DataModule {
public:
    explicit DataModule(AppPaths paths);
    ~DataModule();
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;

    const AppPaths& paths() const { return paths_; }

    const std::unique_ptr<TdxMemData> dxmReminders; // pending reminders, reminders.txt ("^")
    const std::unique_ptr<TdxMemData> dxGroup;      // contact groups, groups.txt
    const std::unique_ptr<TdxMemData> dxContact;    // the contact book, dxContact.txt
    const std::unique_ptr<TdxMemData> dxmMessage;   // standard messages, message.txt
    const std::unique_ptr<TdxMemData> dxmSentItems; // the sent items log, sentitems.txt
    const std::unique_ptr<TdxMemData> dmMail;       // the sender's settings, mail.txt
    const std::unique_ptr<TdxMemData> dxDoNotText;  // numbers not to text, donottext.txt
    const std::unique_ptr<TdxMemData>
        dxCalendarLinks;                          // calendar events' reminders, calendar_links.txt
    const std::unique_ptr<TdxMemData> dxmReplies; // replies and delivery reports, replies.txt

    // The path of a table file of the working folder.
    std::string file(const std::string& name) const { return paths_.file(name); }
    bool stored(const std::string& name) const;
    // Whether a path names one of the table files of the working folder (through a link or
    // another spelling too), which a file the user saves must never replace.
    bool isTableFile(const std::string& path) const;
    // Reads a table's file; an unreadable one is kept aside (EUnreadableFile names the copy).
    void read(TdxMemData& table, const std::string& name);
    // Writes a table's file whole, with its views suspended. Every window saves a table of the
    // working folder through here.
    void write(TdxMemData& table, const std::string& name);
    // Reads back a file this copy has just written (with whatever another copy merged into it);
    // an error is the caller's, nothing is kept aside.
    void reload(TdxMemData& table, const std::string& name);
    // Removes a table's file (an empty list is no file), through its guard when it has one.
    void remove(TdxMemData& table, const std::string& name);
    // Sorts a table by a field when its file exists (a list opened for the first time keeps
    // the order it was typed in).
    void sortIfStored(TdxMemData& table, const std::string& name, const std::string& field);

private:
    AppPaths paths_;
};
