// clsReceiveBill at the C boundary.
#include "c_api/ExportPage.h"
#include "c_api/Handles.h"

using namespace ovardx::capi;

extern "C" {

int ovardx_receive_bill_create(ovardx_receive_bill** bill, char** error) { return Create(bill, error); }

void ovardx_receive_bill_release(ovardx_receive_bill* bill) { delete bill; }

int ovardx_receive_bill_export(ovardx_receive_bill* bill, const char* props, char** xml, int16_t pre,
                               int32_t per_count, const char* time_stamp, char** time_stamp_out,
                               char** max_time_stamp, char** error) {
    return ExportPage(bill, props, time_stamp, xml, time_stamp_out, max_time_stamp, error,
                      [pre, per_count](ovardx::clsReceiveBill& object, ExportStrings& s) {
                          return object.Export(s.props, s.xml, pre, per_count, s.timeStamp, s.maxTimeStamp,
                                               s.error);
                      });
}

int ovardx_receive_bill_filter(ovardx_receive_bill* bill, const char* text) {
    return Guarded(nullptr, nullptr, [&] {
        Use(bill).Filter(TextIn(text));
        return true;
    });
}

}  // extern "C"
