/*
 * ovardx.h: the C interface of OVArDataExchange.
 *
 * One function per public method of the four C++ classes (clsArapPlan,
 * clsReceiveBill, clsContract, clsDataKey), with the same arguments and
 * the same meaning; read the class headers for what each method does. The
 * functions are exported from libovardx.so beside the C++ classes. They keep
 * one ABI: opaque handles, fixed-width integers, text and function
 * pointers only; a function's signature never changes, a new one gets a new
 * name.
 *
 * Threads
 * - An object is used on the thread that created it: call its functions and
 *   release it there. A call from another thread is refused (0, and the
 *   reason in *error); objects of different threads work at the same time,
 *   also on one database file.
 * - Module state is per thread: the session parsed from the last property
 *   string, the configuration settings and the schema folder (read when the
 *   thread creates its first object or opens its first connection), the
 *   translation catalog in use, and the message hook.
 * - Callbacks (Progress, the message hook) run synchronously on the calling
 *   thread, in the middle of the call. From there, functions on other
 *   objects work as usual; an export or import on the same object is
 *   refused and changes nothing. Never release an object from inside its
 *   own call.
 * - ovardx_register_erp_stand_ins and ovardx_free may be called on any
 *   thread.
 *
 * Text and results
 * - Text is UTF-8 and NUL-terminated; a NULL text argument is read as the
 *   empty text.
 * - Functions answer 1 (the C++ method answered true) or 0 (false). No
 *   function lets an exception or a signal of its own reach the caller.
 * - Every char** out argument the caller passes is written on every call:
 *   with a string the library allocated, which the caller frees with
 *   ovardx_free, or with NULL. error (everywhere) and max_time_stamp (in
 *   exports) are optional: pass NULL when not wanted, as the C++ overloads
 *   leave them out. A NULL xml or time_stamp_out fails the call.
 * - error: NULL on success; on failure the reason, as the C++ method puts
 *   it into strError (the gate's refusal, a reader's or writer's message,
 *   or the three-line error text "number / source / description"), or NULL
 *   only when even that text could not be allocated.
 *
 * Exports (plan entries, receive bills, contracts, deletion keys) take the
 * bound to continue from as time_stamp (NULL or "" from the beginning,
 * else "0x" and hexadecimal digits) and answer:
 *   on success: *xml the document, *time_stamp_out the bound after the page
 *     ("0x0000000000000000" when nothing changed after time_stamp: stop
 *     paging), *max_time_stamp the newest timestamp of the kind, *error NULL;
 *   on failure: *xml NULL, *time_stamp_out a copy of time_stamp (a failed
 *     call never moves the bound), *max_time_stamp the newest timestamp when
 *     the call got that far, else "", and *error the reason.
 */
#ifndef OVARDX_OVARDX_H
#define OVARDX_OVARDX_H

#include <stdint.h>

#include "ovardx/Export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The version of this header; ovardx_libversion() tells the library's. */
#define OVARDX_VERSION "0.1.0"
/* major * 1000000 + minor * 1000 + patch */
#define OVARDX_VERSION_NUMBER 1000

/* The version of the loaded library: "major.minor.patch". Static text. */
OVARDX_EXPORT const char* ovardx_libversion(void);
OVARDX_EXPORT int ovardx_libversion_number(void);

/* Frees a string the library allocated; NULL is harmless. */
OVARDX_EXPORT void ovardx_free(void* text);

/*
 * Registers the stand-ins of the ERP's business components for the
 * embedded SQLite database ("tessaCustomer.RPContractUpdate",
 * "tessaBill.NewBillUpdate"), as the ovardx tool does, replacing earlier
 * registrations. Imports save and delete through these components; a host
 * that works with the ERP's own components does not call this. Process-wide.
 */
OVARDX_EXPORT int ovardx_register_erp_stand_ins(char** error);

/*
 * The calling thread's message hook: the contract export and import call it
 * between two contracts (C++: SetMessageHook). A hook that answers non-zero
 * fails the running call ("User interrupt occurred", error 18). NULL removes
 * it. Answers 0 only when memory ran out.
 */
typedef int (*ovardx_message_hook)(void* user);
OVARDX_EXPORT int ovardx_set_message_hook(ovardx_message_hook hook, void* user);

/*
 * The Progress event of clsContract: (user, lCur, lTotal). A callback that
 * answers non-zero fails the running call ("User interrupt occurred",
 * error 18).
 */
typedef int (*ovardx_progress_callback)(void* user, int32_t cur, int32_t total);

/* ---- clsArapPlan: receivable plan entries ---- */

typedef struct ovardx_arap_plan ovardx_arap_plan;

/*
 * *plan: the new object, or NULL on failure (the thread's configuration
 * could not be read: the reason in *error). The same for every _create.
 */
OVARDX_EXPORT int ovardx_arap_plan_create(ovardx_arap_plan** plan, char** error);
/* Releases the object; NULL is harmless. */
OVARDX_EXPORT void ovardx_arap_plan_release(ovardx_arap_plan* plan);
/* clsArapPlan::Export. */
OVARDX_EXPORT int ovardx_arap_plan_export(ovardx_arap_plan* plan, const char* props, char** xml,
                                          int32_t per_count, const char* time_stamp, char** time_stamp_out,
                                          char** max_time_stamp, char** error);
/* clsArapPlan::Filter: "key=value" criteria joined by "||". */
OVARDX_EXPORT int ovardx_arap_plan_filter(ovardx_arap_plan* plan, const char* text);

/* ---- clsReceiveBill: receive bills and advance receipts ---- */

typedef struct ovardx_receive_bill ovardx_receive_bill;

OVARDX_EXPORT int ovardx_receive_bill_create(ovardx_receive_bill** bill, char** error);
OVARDX_EXPORT void ovardx_receive_bill_release(ovardx_receive_bill* bill);
/* clsReceiveBill::Export; pre: 0 receive bills, 1 advance receipts. */
OVARDX_EXPORT int ovardx_receive_bill_export(ovardx_receive_bill* bill, const char* props, char** xml, int16_t pre,
                                             int32_t per_count, const char* time_stamp, char** time_stamp_out,
                                             char** max_time_stamp, char** error);
/* clsReceiveBill::Filter: an SQL condition over t_RP_NewReceiveBill. */
OVARDX_EXPORT int ovardx_receive_bill_filter(ovardx_receive_bill* bill, const char* text);

/* ---- clsContract: contracts, export and import ---- */

typedef struct ovardx_contract ovardx_contract;

OVARDX_EXPORT int ovardx_contract_create(ovardx_contract** contract, char** error);
OVARDX_EXPORT void ovardx_contract_release(ovardx_contract* contract);
/* clsContract::Export; rp: 1 receivable, 0 payable. */
OVARDX_EXPORT int ovardx_contract_export(ovardx_contract* contract, const char* props, char** xml, int16_t rp,
                                         int32_t per_count, const char* time_stamp, char** time_stamp_out,
                                         char** max_time_stamp, char** error);
/*
 * clsContract::Import; system_type becomes FSystemType of every contract
 * (the C++ default is 1). The document is copied once on its way in.
 */
OVARDX_EXPORT int ovardx_contract_import(ovardx_contract* contract, const char* props, const char* xml,
                                         char** error, int32_t system_type);
/* clsContract::Filter: an SQL condition over t_RPContract. */
OVARDX_EXPORT int ovardx_contract_filter(ovardx_contract* contract, const char* text);
/*
 * clsContract::CheckByUUID, AddNewOnly, bProgress; value: 0 or non-zero.
 * These, the filters and on_progress answer 0 only for a NULL object or
 * one of another thread.
 */
OVARDX_EXPORT int ovardx_contract_check_by_uuid(ovardx_contract* contract, int value);
OVARDX_EXPORT int ovardx_contract_add_new_only(ovardx_contract* contract, int value);
OVARDX_EXPORT int ovardx_contract_b_progress(ovardx_contract* contract, int value);
/* clsContract::OnProgress; NULL removes the callback. */
OVARDX_EXPORT int ovardx_contract_on_progress(ovardx_contract* contract, ovardx_progress_callback callback,
                                              void* user);

/* ---- clsDataKey: deletion keys, export and import ---- */

typedef struct ovardx_data_key ovardx_data_key;

OVARDX_EXPORT int ovardx_data_key_create(ovardx_data_key** keys, char** error);
OVARDX_EXPORT void ovardx_data_key_release(ovardx_data_key* keys);
/* clsDataKey::ExportXMLDataKey; bill_type: 1 receive bills, 2 advance receipts, 3 contracts. */
OVARDX_EXPORT int ovardx_data_key_export_xml_data_key(ovardx_data_key* keys, const char* props, int16_t bill_type,
                                                      char** xml, int32_t per_count, const char* time_stamp,
                                                      char** time_stamp_out, char** max_time_stamp,
                                                      char** error);
/* clsDataKey::ImportXMLDataKey. */
OVARDX_EXPORT int ovardx_data_key_import_xml_data_key(ovardx_data_key* keys, const char* props, int16_t bill_type,
                                                      const char* xml, char** error);

#ifdef __cplusplus
}
#endif

#endif /* OVARDX_OVARDX_H */
