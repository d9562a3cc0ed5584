// clsContract at the C boundary.
#include "c_api/ExportPage.h"
#include "c_api/Handles.h"
#include "c_api/UserInterrupt.h"

using namespace ovardx::capi;

extern "C" {

int ovardx_contract_create(ovardx_contract** contract, char** error) { return Create(contract, error); }

void ovardx_contract_release(ovardx_contract* contract) { delete contract; }

int ovardx_contract_export(ovardx_contract* contract, const char* props, char** xml, int16_t rp, int32_t per_count,
                           const char* time_stamp, char** time_stamp_out, char** max_time_stamp, char** error) {
    return ExportPage(contract, props, time_stamp, xml, time_stamp_out, max_time_stamp, error,
                      [rp, per_count](ovardx::clsContract& object, ExportStrings& s) {
                          return object.Export(s.props, s.xml, rp, per_count, s.timeStamp, s.maxTimeStamp,
                                               s.error);
                      });
}

int ovardx_contract_import(ovardx_contract* contract, const char* props, const char* xml, char** error,
                           int32_t system_type) {
    if (error != nullptr) *error = nullptr;
    return Guarded(props, error, [&] {
        ovardx::clsContract& object = Use(contract);
        std::string strProps = TextIn(props), strError;
        const bool imported = object.Import(strProps, TextIn(xml), strError, ovardx::Variant(system_type));
        if (!imported) HandOver(error, CopyForCaller(strError));
        return imported;
    });
}

int ovardx_contract_filter(ovardx_contract* contract, const char* text) {
    return Guarded(nullptr, nullptr, [&] {
        Use(contract).Filter(TextIn(text));
        return true;
    });
}

int ovardx_contract_check_by_uuid(ovardx_contract* contract, int value) {
    return Guarded(nullptr, nullptr, [&] {
        Use(contract).CheckByUUID(value != 0);
        return true;
    });
}

int ovardx_contract_add_new_only(ovardx_contract* contract, int value) {
    return Guarded(nullptr, nullptr, [&] {
        Use(contract).AddNewOnly(value != 0);
        return true;
    });
}

int ovardx_contract_b_progress(ovardx_contract* contract, int value) {
    return Guarded(nullptr, nullptr, [&] {
        Use(contract).bProgress(value != 0);
        return true;
    });
}

int ovardx_contract_on_progress(ovardx_contract* contract, ovardx_progress_callback callback, void* user) {
    return Guarded(nullptr, nullptr, [&] {
        ovardx::clsContract& object = Use(contract);
        if (callback == nullptr) {
            object.OnProgress({});
        } else {
            object.OnProgress([callback, user](std::int32_t cur, std::int32_t total) {
                if (callback(user, cur, total) != 0) RaiseUserInterrupt();
            });
        }
        return true;
    });
}

}  // extern "C"
