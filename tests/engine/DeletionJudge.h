#pragma once
// What a run should have deleted, judged the way a user states it: from the
// files' contents and identities as planned, from the options, and from the
// answers given to the questions the run asked.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "EquivalenceTrees.h"
#include "engine/NebuHost.h"

namespace nebu::test {

// A file as planned: its bytes and which file it is (hard links share one).
struct FileFacts {
    std::string bytes;
    int identity = 0;
};

// Every plain file and every archive entry of the plan written below `root`,
// by path; an entry is keyed "archive path|entry name".
std::map<std::string, FileFacts> PlannedFacts(const TreePlan& plan, const std::string& root);
std::string EntryKey(const std::string& archive, const std::string& entry);

// One question as the user saw it, and what the answer asks to delete.
struct AskedQuestion {
    std::string text;                   // QuestionText / ChoiceText
    std::string sameLine;               // the pair asked about
    bool choice = false;                // the delete-choice dialog, else a message
    std::optional<std::string> doomed;  // the file the answer deletes
    bool cancel = false;
};

// How a question is recorded.
std::string QuestionText(const std::string& text, MsgButtons buttons);
std::string ChoiceText(const DeleteChoice& choice);

AskedQuestion MessageAsked(const std::string& text, MsgButtons buttons, MsgAnswer answer);
// `choice` holds the answer in DelResult.
AskedQuestion ChoiceAsked(const DeleteChoice& choice);

enum class Deletion { None, Always, Confirm, NoneDespiteConfirm };

struct RunFacts {
    Deletion deletion;
    std::map<std::string, FileFacts> facts;
    std::set<std::string> sources;  // scanned, keyed as in facts
    std::set<std::string> targets;
    std::set<std::string> deleted;  // files gone after the run
    std::vector<AskedQuestion> asked;
};

// Fails the test where the files gone differ from what the options and
// answers ask for.
void ExpectDeletionsAsDecided(const RunFacts& run);

}  // namespace nebu::test
