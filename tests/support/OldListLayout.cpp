#include "OldListLayout.h"

#include "model/Archive.h"
#include "model/UrlRecord.h"

std::string OldLayoutRecord(const Curl& record, bool withPageId)
{
    CArchiveWriter archive;
#define SITEVIGIL_WRITE_FIELD(kind, member)                                                                            \
    if (withPageId || static_cast<const void*>(&record.member) != &record.m_strPageID)                                 \
        archive.Write##kind(record.member);
    SITEVIGIL_RECORD_ARCHIVE(SITEVIGIL_WRITE_FIELD)
#undef SITEVIGIL_WRITE_FIELD
    return archive.TakeData();
}
