// A filter run ("&Filtreaza") and a find-act search, applied to the acts
// list the results grid shows, without any user interface.
//
// The acts list (`DataActe` of the acts views) shows one of three datasets:
// the query `QueActe` (the partial-load mode), the in-memory `ClientActe`
// (the full-load mode) or, after a find-act search, the query `QueActeMic`.
// In the partial-load mode `ClientActe` is not loaded; in the full-load
// mode the queries are never run. A filter
// run counts the text words through the text search, whose hit test is the
// record filter of all three, then narrows the list by the SQL text of the
// other criteria: as the query's text, or, in memory, as a filter
// expression. A query whose text did not change is not run again; only its
// record filter is, so the list still follows new text words.
#ifndef CORVANA_VIEWER_FINDING_FILTER_RUN_H_
#define CORVANA_VIEWER_FINDING_FILTER_RUN_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "viewer/finding/filter_criteria.h"
#include "viewer/finding/text_search.h"

namespace actsdb {
class ActsViews;
}  // namespace actsdb

namespace finding {

// The filter run of `criteria`: the text words searched in `mode` over
// acts up to `largest_act_id`, then the SQL text applied to the list
// shown (a find-act result gives way to `QueActe`), sorted by `order_by`
// ("FIELD ASCENDING" or "DESCENDING", or empty) when it is a query.
// Filtering by the hit test is switched on. Returns the number of acts the
// list shows. A query the store refuses throws actsdb::StoreError; the
// counters then hold the new run's hits.
int RunFilter(const FilterCriteria& criteria, std::string_view mode, const std::string& order_by,
              int32_t largest_act_id, TextSearch& search, actsdb::ActsViews& views);

// The find-act search for the query `lines` (FindActSqlLines): forgets the
// text words of the last run, so that every act passes the hit test, and
// shows `QueActeMic` with `lines` sorted by `order_by`, or in memory the
// acts the lines' conditions select. Returns the number of acts listed.
int RunFindAct(const std::vector<std::string>& lines, const std::string& order_by,
               TextSearch& search, actsdb::ActsViews& views);

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_FILTER_RUN_H_
