#include "report/PairJson.h"

#include "journal/JsonText.h"

namespace nebu {

namespace {

using json_text::AppendBytesMember;

std::string Number(std::string_view key, std::int64_t value) {
    std::string field = ",";
    json_text::AppendJsonString(field, key);
    return field + ":" + std::to_string(value);
}

std::string Flag(std::string_view key, bool value) {
    std::string field = ",";
    json_text::AppendJsonString(field, key);
    return field + ":" + (value ? "true" : "false");
}

// One side: the whole path of a file, or the archive and the entry.
void AppendSide(std::string& out, std::string_view key, const std::string& folder,
                const std::string& name, bool entry) {
    if (!entry) {
        AppendBytesMember(out, key, name.empty() ? folder : folder + "/" + name);
        return;
    }
    AppendBytesMember(out, key, folder);
    out += ',';
    AppendBytesMember(out, std::string(key) + "_entry", name);
}

}  // namespace

const char* TargetOutcomeText(PairFate fate) {
    switch (fate) {
        case PairFate::Listed:
            return "listed";
        case PairFate::Refused:
            return "refused";
        case PairFate::Deleted:
            return "deleted";
        case PairFate::Trashed:
            return "trashed";
        case PairFate::Kept:
        case PairFate::SourceDeleted:
        case PairFate::SourceTrashed:
            break;
    }
    return "kept";
}

std::string PairJsonLine(const SamePairRec& pair) {
    // Written once per pair: built in one buffer, without temporaries.
    std::string line;
    line.reserve(96 + 2 * (pair.folder1.size() + pair.name1.size() + pair.folder2.size() +
                           pair.name2.size()));
    line += "{\"type\":\"pair\",";
    AppendSide(line, "source", pair.folder1, pair.name1, pair.entry1);
    line += ',';
    AppendSide(line, "target", pair.folder2, pair.name2, pair.entry2);
    line += ",\"size\":";
    line += std::to_string(pair.size);
    line += pair.mutual != 0 ? ",\"mutual\":true" : ",\"mutual\":false";
    line += ",\"outcome\":\"";
    line += TargetOutcomeText(pair.fate);
    line += '"';
    if (pair.fate == PairFate::SourceDeleted) line += ",\"source_outcome\":\"deleted\"";
    if (pair.fate == PairFate::SourceTrashed) line += ",\"source_outcome\":\"trashed\"";
    line += "}\n";
    return line;
}

std::string FolderJsonLine(const FolderCoverageRow& row) {
    std::string line = "{\"type\":\"folder\",";
    AppendBytesMember(line, "folder", row.Folder);
    line += Number("files", row.Files) + Number("found", row.Found) + Number("bytes", row.Bytes) +
            Number("found_bytes", row.FoundBytes) + Flag("all_found", row.AllFound());
    return line + "}\n";
}

void RunSummary::Count(const SamePairRec& pair) {
    bytes += pair.size;
    switch (pair.fate) {
        case PairFate::Listed:
            ++listed;
            break;
        case PairFate::Refused:
            ++refused;
            break;
        case PairFate::Deleted:
            ++deleted;
            break;
        case PairFate::Trashed:
            ++trashed;
            break;
        case PairFate::SourceDeleted:
        case PairFate::SourceTrashed:
            ++sourceDeleted;
            [[fallthrough]];
        case PairFate::Kept:
            ++kept;
            break;
    }
}

std::string SummaryJsonLine(const RunSummary& s) {
    std::string line = "{\"type\":\"summary\"";
    line += Flag("finished", s.finished);
    line += Number("pairs", s.Pairs()) + Number("listed", s.listed) + Number("kept", s.kept) +
            Number("refused", s.refused) + Number("deleted", s.deleted) +
            Number("trashed", s.trashed) + Number("source_deleted", s.sourceDeleted) +
            Number("bytes", s.bytes) + Number("source_files", s.sourceFiles) +
            Number("target_files", s.targetFiles) + Number("failures", s.failures);
    return line + "}\n";
}

}  // namespace nebu
