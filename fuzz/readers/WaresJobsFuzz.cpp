// The ware collection and the job and ware-list readers over all their versions. The
// input's parts (between NUL bytes) are the data folder's files: the jobs, the job
// wings, the ware lists, the nine files of the ware collection and a text resource
// file of language 44. The collection's index answers as a scan of it does; every job
// field of every layout reads, and writes back to the same record; the ware lists'
// rows name their wares; the files saved and read again read the same.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

#include "DataFolder.h"
#include "ReaderInput.h"
#include "typefiles/WareCollection.h"
#include "wareeditors/model/JobRules.h"
#include "wareeditors/model/WareListRules.h"

namespace {

const char* const kFiles[] = {"types/Jobs.txt",   "types/JobWings.txt", "types/WareLists.txt", "types/TWareB.txt",
                              "types/TWareE.txt", "types/TWareF.txt",   "types/TWareM.txt",    "types/TWareN.txt",
                              "types/TWareT.txt", "types/TShields.txt", "types/TMissiles.txt", "types/TLaser.txt",
                              "t/440001.xml"};

std::string Cells(const std::vector<mdlJob::PropertyRow>& rows) {
  std::string out;
  for (const auto& r : rows) out += r.caption + "=" + r.value + "@" + r.offset + "#" + std::to_string(r.tag) + ";";
  return out;
}

// Everything the pages read of the jobs, wings and ware lists, as one text.
std::string Read(const clsTxtParser* jobs, const clsTxtParser* wings, const clsTxtParser* lists,
                 const clsWareCollection& wares) {
  std::string out;
  if (jobs) {
    mdlJob::JobIndex index;
    for (int32_t i = 0; i < jobs->Count(); ++i) {
      clsTXTObject& job = *jobs->FindIndex(i);
      for (int32_t n = -1; n <= mdlJob::kLogicalFields; ++n) {
        const int32_t field = mdlJob::MapJobField(job, n);
        if (field < -1 || field >= job.size() || (field >= 0) != mdlJob::HasJobField(job, n)) std::abort();
        int32_t whole = 0;
        out += kz::CStr(mdlJob::GetJobField(job, n)) + (mdlJob::JobFlag(job, n) ? "+" : "-") +
               (mdlJob::JobFieldLong(job, n, whole) ? std::to_string(whole) : "") + ",";
      }
      out += mdlJob::JobObjectName(job) + "|" + mdlJob::JobResourceName(job) + "|" + mdlJob::ShipNamePreview(job) +
             "|" + std::to_string(mdlJob::Classification(job)) + "|" + std::to_string(mdlJob::VariantCount(job.size())) +
             "\n" + Cells(mdlJob::InfoRows(job)) + "\n" + Cells(mdlJob::EquipmentRows(job)) + "\n";
      const mdlJob::WingView view = mdlJob::WingRows(job, wings, jobs, &index);
      out += std::to_string(view.found) + view.missing;
      for (const auto& row : view.rows) out += "[" + row.id + "|" + row.name + "]";
      out += "\n";
    }
    int32_t next = 0;
    std::string error;
    if (mdlJob::NextJobID(*jobs, next, error)) out += "next " + std::to_string(next) + "\n";
    else if (error.empty()) std::abort();
  }
  if (lists) {
    for (int32_t i = 0; i < lists->Count(); ++i) {
      const clsTXTObject& list = *lists->FindIndex(i);
      const auto rows = mdlWareListView::WareListRows(list, wares);
      const auto byID = mdlWareListView::WareListRowsByID(list);
      if (rows.size() != byID.size()) std::abort();
      out += mdlWareListView::WareListObjectName(list) + ":";
      for (size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].id != byID[r].id) std::abort();
        out += rows[r].name + "/" + rows[r].id + ";";
      }
      out += "\n";
    }
  }
  return out;
}

// Every present field of every job stored again as it reads: the records stay as they were.
void WriteBack(const clsTxtParser& jobs) {
  for (int32_t i = 0; i < jobs.Count(); ++i) {
    clsTXTObject& job = *jobs.FindIndex(i);
    const std::string before = job.GetObjectTData();
    for (int32_t n = 0; n < mdlJob::kLogicalFields; ++n) {
      const kz::Variant v = mdlJob::GetJobField(job, n);
      if (mdlJob::SetJobField(job, n, v) != mdlJob::HasJobField(job, n)) std::abort();
    }
    if (mdlJob::SetJobField(job, mdlJob::kLogicalFields, kz::Variant(int32_t(1)))) std::abort();
    if (job.GetObjectTData() != before) std::abort();
  }
}

TxtParserPtr Reloaded(const TxtParserPtr& p, int32_t type) {
  if (!p) return nullptr;
  Kz_TXTIgnoreRemarks(type == mdlKzConst::kJobs ? 1 : 0);  // as the archive reads the file
  TxtParserPtr again = fuzzinput::SavedAndReloaded(*p, type);
  Kz_TXTIgnoreRemarks(0);
  return again;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzdata::Clear();
  const auto parts = fuzzinput::Parts(data, size, std::size(kFiles));
  for (size_t i = 0; i < parts.size(); ++i) fuzzdata::Write(kFiles[i], parts[i]);
  fuzzdata::Mount(44);

  // The collection: its index finds what a scan of it finds.
  const TxtParserPtr collection = mdlWareList::BuildWareCollection();
  const clsWareCollection wares(collection);
  for (int32_t i = 0; i < collection->Count(); ++i) {
    const TXTObjectPtr r = collection->FindIndex(i);
    if (r->index != i || r->id != i + 1) std::abort();
    const std::string id = r->ObjectName();
    if (wares.FindID(id) != collection->FindID(id)) std::abort();
    if (wares.GetWareName(id) != mdlWareList::GetWareName(*collection, id)) std::abort();
  }

  const TxtParserPtr jobs = Archive->GetFile("Jobs");
  const TxtParserPtr wings = Archive->GetFile("JobWings");
  const TxtParserPtr lists = Archive->GetFile("WareLists");
  if (jobs) {
    const int32_t newSize = mdlJob::JobRecordSize(jobs->Version());
    if (newSize == 0 && mdlJob::UnknownSizeError(jobs->Version()).empty()) std::abort();
  }
  const std::string first = Read(jobs.get(), wings.get(), lists.get(), wares);
  if (jobs) WriteBack(*jobs);

  // Saved and read again, the files read the same.
  const TxtParserPtr jobsAgain = Reloaded(jobs, mdlKzConst::kJobs);
  const TxtParserPtr wingsAgain = Reloaded(wings, mdlKzConst::kJobWings);
  const TxtParserPtr listsAgain = Reloaded(lists, mdlKzConst::kWareLists);
  if ((jobs && !jobsAgain) || (wings && !wingsAgain) || (lists && !listsAgain)) return 0;  // a value the writer refuses
  if (Read(jobsAgain.get(), wingsAgain.get(), listsAgain.get(), wares) != first) std::abort();
  Archive.reset();
  return 0;
}
