// clsArapPlan at the C boundary.
#include "c_api/ExportPage.h"
#include "c_api/Handles.h"

using namespace ovardx::capi;

extern "C" {

int ovardx_arap_plan_create(ovardx_arap_plan** plan, char** error) { return Create(plan, error); }

void ovardx_arap_plan_release(ovardx_arap_plan* plan) { delete plan; }

int ovardx_arap_plan_export(ovardx_arap_plan* plan, const char* props, char** xml, int32_t per_count,
                            const char* time_stamp, char** time_stamp_out, char** max_time_stamp, char** error) {
    return ExportPage(plan, props, time_stamp, xml, time_stamp_out, max_time_stamp, error,
                      [per_count](ovardx::clsArapPlan& object, ExportStrings& s) {
                          return object.Export(s.props, s.xml, per_count, s.timeStamp, s.maxTimeStamp, s.error);
                      });
}

int ovardx_arap_plan_filter(ovardx_arap_plan* plan, const char* text) {
    return Guarded(nullptr, nullptr, [&] {
        Use(plan).Filter(TextIn(text));
        return true;
    });
}

}  // extern "C"
