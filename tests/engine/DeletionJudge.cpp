#include "DeletionJudge.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "PairwiseReference.h"
#include "support/TempTree.h"

namespace nebu::test {

namespace {

const std::string kAskTail = "｣を削除してよいですか？";

const FileFacts& FactsOf(const RunFacts& run, const std::string& key) {
    const auto it = run.facts.find(key);
    if (it == run.facts.end()) throw std::out_of_range("not in the plan: " + key);
    return it->second;
}

// True when some file of `from` other than `path` holds the same bytes and
// is not the same file, leaving out what `gone` holds.
bool HasOtherCopy(const RunFacts& run, const std::string& path, const std::set<std::string>& from,
                  const std::set<std::string>& gone) {
    const FileFacts& f = FactsOf(run, path);
    for (const std::string& other : from) {
        if (other == path || gone.count(other) != 0) continue;
        const FileFacts& o = FactsOf(run, other);
        if (o.identity != f.identity && o.bytes == f.bytes) return true;
    }
    return false;
}

}  // namespace

std::string EntryKey(const std::string& archive, const std::string& entry) {
    return archive + "|" + entry;
}

std::map<std::string, FileFacts> PlannedFacts(const TreePlan& plan, const std::string& root) {
    std::map<std::string, FileFacts> facts;
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        const PlannedFile& f = plan.files[i];
        const int original = f.linkOf < 0 ? static_cast<int>(i) : f.linkOf;
        facts[root + "/" + f.rel] = {plan.files[original].content, original};
    }
    // An archive is a file too, its bytes as the archiver wrote them; an
    // entry is taken out into a file of its own: never the same file as any
    // other.
    int entryIdentity = -1;
    for (std::size_t i = 0; i < plan.archives.size(); ++i) {
        const PlannedArchive& a = plan.archives[i];
        const std::string path = root + "/" + a.rel;
        const int original = a.linkOf < 0 ? static_cast<int>(i) : a.linkOf;
        facts[path] = {ReadFile(path), static_cast<int>(plan.files.size()) + original};
        const auto& items = a.linkOf < 0 ? a.items : plan.archives[a.linkOf].items;
        for (const ArchiveItem& item : items) {
            if (item.type != ArchiveItem::File) continue;
            facts[EntryKey(path, item.name)] = {item.content, entryIdentity--};
        }
    }
    return facts;
}

std::string QuestionText(const std::string& text, MsgButtons buttons) {
    return "message " + std::to_string(static_cast<int>(buttons)) + ": " + text;
}

std::string ChoiceText(const DeleteChoice& c) {
    return "choice: " + c.Fname1 + " | " + c.Dname1 + " | " + c.Fname2 + " | " + c.Dname2;
}

AskedQuestion MessageAsked(const std::string& text, MsgButtons buttons, MsgAnswer answer) {
    AskedQuestion q;
    q.text = QuestionText(text, buttons);
    const std::size_t lineEnd = text.find('\n');
    const std::size_t open = text.rfind("｢");
    if (buttons != MsgButtons::YesNoCancel || lineEnd == std::string::npos ||
        open == std::string::npos || !text.ends_with(kAskTail)) {
        return q;  // not a question about deleting a file
    }
    q.sameLine = text.substr(0, lineEnd);
    const std::size_t from = open + std::string("｢").size();
    if (answer == MsgAnswer::Yes)
        q.doomed = text.substr(from, text.size() - kAskTail.size() - from);
    q.cancel = answer == MsgAnswer::Cancel;
    return q;
}

AskedQuestion ChoiceAsked(const DeleteChoice& c) {
    AskedQuestion q;
    q.text = ChoiceText(c);
    q.choice = true;
    const std::string first = c.Dname1 + "/" + c.Fname1;
    const std::string second = c.Dname2 + "/" + c.Fname2;
    q.sameLine = SameLine(first, second);
    if (c.DelResult == DelAnswer::DeleteFirst) q.doomed = first;
    if (c.DelResult == DelAnswer::DeleteSecond) q.doomed = second;
    q.cancel = c.DelResult == DelAnswer::Cancel;
    return q;
}

void ExpectDeletionsAsDecided(const RunFacts& run) {
    const std::set<std::string> none;
    // Only a target goes, and only one with a copy among the sources.
    for (const std::string& path : run.deleted) {
        EXPECT_TRUE(run.targets.count(path) != 0) << path << " deleted, but not a target";
        EXPECT_TRUE(HasOtherCopy(run, path, run.sources, none))
            << path << " deleted, but no other source file holds its bytes";
    }
    // Never the last copy.
    std::map<std::string, bool> left;
    for (const auto* side : {&run.sources, &run.targets}) {
        for (const std::string& path : *side) {
            left[FactsOf(run, path).bytes] |= run.deleted.count(path) == 0;
        }
    }
    for (const auto& [bytes, any] : left) {
        EXPECT_TRUE(any) << "every copy of a " << bytes.size() << "-byte content deleted";
    }

    switch (run.deletion) {
        case Deletion::None:
        case Deletion::NoneDespiteConfirm:
            EXPECT_TRUE(run.deleted.empty());
            EXPECT_TRUE(run.asked.empty());
            break;
        case Deletion::Always:
            EXPECT_TRUE(run.asked.empty());
            // No target is left beside a different source file of its bytes.
            for (const std::string& path : run.targets) {
                if (run.deleted.count(path) != 0) continue;
                EXPECT_FALSE(HasOtherCopy(run, path, run.sources, run.deleted))
                    << path << " kept, although a source file of its bytes is left";
            }
            break;
        case Deletion::Confirm: {
            // Exactly what the answers said, and nothing asked after a cancel.
            std::set<std::string> decided;
            bool cancelled = false;
            for (const AskedQuestion& q : run.asked) {
                EXPECT_FALSE(cancelled) << "asked after a cancel: " << q.text;
                if (q.doomed) decided.insert(*q.doomed);
                cancelled = cancelled || q.cancel;
            }
            EXPECT_EQ(run.deleted, decided);
            break;
        }
    }
}

}  // namespace nebu::test
