// clsDataKey at the C boundary.
#include "c_api/ExportPage.h"
#include "c_api/Handles.h"

using namespace ovardx::capi;

extern "C" {

int ovardx_data_key_create(ovardx_data_key** keys, char** error) { return Create(keys, error); }

void ovardx_data_key_release(ovardx_data_key* keys) { delete keys; }

int ovardx_data_key_export_xml_data_key(ovardx_data_key* keys, const char* props, int16_t bill_type, char** xml,
                                        int32_t per_count, const char* time_stamp, char** time_stamp_out,
                                        char** max_time_stamp, char** error) {
    return ExportPage(keys, props, time_stamp, xml, time_stamp_out, max_time_stamp, error,
                      [bill_type, per_count](ovardx::clsDataKey& object, ExportStrings& s) {
                          return object.ExportXMLDataKey(s.props, bill_type, s.xml, per_count, s.timeStamp,
                                                         s.maxTimeStamp, s.error);
                      });
}

int ovardx_data_key_import_xml_data_key(ovardx_data_key* keys, const char* props, int16_t bill_type,
                                        const char* xml, char** error) {
    if (error != nullptr) *error = nullptr;
    return Guarded(props, error, [&] {
        ovardx::clsDataKey& object = Use(keys);
        std::string strProps = TextIn(props), strError;
        const bool imported = object.ImportXMLDataKey(strProps, bill_type, TextIn(xml), strError);
        if (!imported) HandOver(error, CopyForCaller(strError));
        return imported;
    });
}

}  // extern "C"
