#include "harness/scripted_remote_access.h"

using namespace dialup;

namespace {
QString number(uint64_t n) {
    return QString::number(n);
}
} // namespace

ScriptedRemoteAccess::~ScriptedRemoteAccess() = default;

ScriptedRemoteAccess& ScriptedRemoteAccess::failNext(Op op, RasCode code) {
    codes_[op].push_back(code);
    return *this;
}

RasCode ScriptedRemoteAccess::nextCode(Op op) {
    auto& queue = codes_[op];
    if (queue.empty())
        return kSuccess;
    const RasCode code = queue.front();
    queue.pop_front();
    return code;
}

void ScriptedRemoteAccess::record(Op op, QStringList args) {
    calls.push_back({op, std::move(args)});
}

std::vector<ScriptedRemoteAccess::Call> ScriptedRemoteAccess::callsOf(Op op) const {
    std::vector<Call> out;
    for (const Call& c : calls)
        if (c.op == op)
            out.push_back(c);
    return out;
}

EntryList ScriptedRemoteAccess::EnumEntries() {
    record(Op::EnumEntries, {});
    const RasCode code = nextCode(Op::EnumEntries);
    return code == kSuccess ? EntryList{code, entries} : EntryList{code, {}};
}

ConnectionList ScriptedRemoteAccess::EnumConnections() {
    record(Op::EnumConnections, {});
    const RasCode code = nextCode(Op::EnumConnections);
    return code == kSuccess ? ConnectionList{code, active} : ConnectionList{code, {}};
}

RasCode ScriptedRemoteAccess::DialChecked(const QString& entry, const QString& userName,
                                          const QString& password, DialNotifier notifier,
                                          ConnectionHandle& handle) {
    record(Op::Dial, {entry, userName, password});
    handle = nextHandle_++;
    lastHandle_ = handle;
    const RasCode code = nextCode(Op::Dial);
    if (code != kSuccess)
        return code;
    notifier_ = notifier;
    pending_.assign(dialScript.begin(), dialScript.end());
    if (playMode == Play::AtDial) {
        play(unplayed());
    } else if (playMode == Play::OnThread) {
        std::vector<Step> steps(pending_.begin(), pending_.end());
        pending_.clear();
        std::thread([steps, notifier, handle] {
            for (const Step& s : steps)
                notifier(handle, s.state, s.error);
        }).join();
    }
    if (whileAnswering)
        whileAnswering();
    return kSuccess;
}

void ScriptedRemoteAccess::play(int count) {
    for (int i = 0; i < count && !pending_.empty(); ++i) {
        const Step s = pending_.front();
        pending_.pop_front();
        notifier_(lastHandle_, s.state, s.error);
    }
}

RasCode ScriptedRemoteAccess::GetConnectStatus(ConnectionHandle handle) {
    record(Op::GetConnectStatus, {number(handle)});
    auto& queue = codes_[Op::GetConnectStatus];
    return queue.empty() ? statusCode : nextCode(Op::GetConnectStatus);
}

void ScriptedRemoteAccess::HangUp(ConnectionHandle handle) {
    record(Op::HangUp, {number(handle)});
    std::erase_if(active, [handle](const ActiveConnection& c) { return c.handle == handle; });
}

QString ScriptedRemoteAccess::ErrorText(RasCode code) {
    record(Op::GetErrorText, {number(code)});
    const auto it = texts.find(code);
    return it != texts.end() ? it->second : QStringLiteral("Error %1").arg(code);
}

RasCode ScriptedRemoteAccess::EditEntry(QWidget*, const QString& entry) {
    record(Op::EditEntry, {entry});
    return nextCode(Op::EditEntry);
}

RasCode ScriptedRemoteAccess::CreateEntry(QWidget*) {
    record(Op::CreateEntry, {});
    const RasCode code = nextCode(Op::CreateEntry);
    if (code == kSuccess && !createdEntry.isEmpty())
        entries.append(createdEntry);
    return code;
}

IpProjection ScriptedRemoteAccess::GetIpProjection(ConnectionHandle handle) {
    record(Op::GetIpProjection, {number(handle)});
    const RasCode code = nextCode(Op::GetIpProjection);
    return code == kSuccess ? IpProjection{code, ipAddress} : IpProjection{code, {}};
}
