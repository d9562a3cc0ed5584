"""The Python module over the C interface, on a demo database of its own.

The database comes from the command in OVARDX_MAKE_DEMO_DB (given a path),
else from "ovardx demo-db PATH"; the library from OVARDX_LIBRARY (see the
module's documentation).
"""

import os
import shlex
import subprocess
import tempfile
import threading
import unittest

import ovardx

NEW_CONTRACT = """<?xml version="1.0" encoding="UTF-8"?>
<Contract>
  <Record>
    <FRP>1</FRP>
    <ContractNo>PY-0001</ContractNo>
    <ContractName>Filters from Python</ContractName>
    <Date>2025-06-30</Date>
    <Customer><Number>C005</Number><Name>上海金达化工有限公司</Name></Customer>
    <Currency><Number>RMB</Number><Name>人民币</Name></Currency>
    <ExchangeRate>1</ExchangeRate>
    <Body>
      <Entry>
        <Item><Number>P0012</Number><Name>滤芯 XT-533</Name></Item>
        <MeasureUnit><Number>M</Number><Name>米</Name></MeasureUnit>
        <Quantity>2</Quantity>
        <TaxPriceFor>113</TaxPriceFor>
        <TaxRate>1300</TaxRate>
      </Entry>
    </Body>
  </Record>
</Contract>
"""


def props(database, user=16, language="eng"):
    return ("ConnectString={Provider=SQLite;Data Source=%s};UserID=%d;Setuptype=standard;Language=%s"
            % (database, user, language))


def records(xml):
    return xml.count("<Record>")


class Stop(Exception):
    pass


class DemoDatabaseTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.database = os.path.join(cls.folder.name, "demo.db")
        command = shlex.split(os.environ.get("OVARDX_MAKE_DEMO_DB", "ovardx demo-db"))
        subprocess.run(command + [cls.database], check=True, stdout=subprocess.DEVNULL)
        cls.admin = props(cls.database)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()


class PagingTest(DemoDatabaseTest):
    def test_pages_hold_what_one_unlimited_page_holds(self):
        kinds = [
            ("plan entries", ovardx.clsArapPlan, ()),
            ("receive bills", ovardx.clsReceiveBill, (0,)),
            ("advance receipts", ovardx.clsReceiveBill, (1,)),
            ("contracts", ovardx.clsContract, (1,)),
            ("receive bill deletions", ovardx.clsDataKey, (1,)),
        ]
        for name, cls, options in kinds:
            with self.subTest(name), cls() as exporter:
                pages = list(exporter.pages(self.admin, *options, per_count=2))
                whole = exporter.pages(self.admin, *options, per_count=0)
                (only,) = list(whole)
                self.assertGreater(len(pages), 1)
                self.assertEqual(sum(records(page.xml) for page in pages), records(only.xml))
                bounds = [page.time_stamp for page in pages]
                self.assertEqual(bounds, sorted(bounds))
                self.assertEqual(len(set(bounds)), len(bounds))

    def test_paging_resumes_from_a_stored_bound(self):
        with ovardx.clsArapPlan() as plan:
            plan.Filter("DateFrom=2025-1-1")
            first, second = list(plan.pages(self.admin, per_count=20))[:2]
            resumed = next(plan.pages(self.admin, per_count=20, time_stamp=first.time_stamp))
            self.assertEqual(resumed, second)

    def test_a_failed_export_raises_with_the_library_error_text(self):
        with ovardx.clsArapPlan() as plan:
            with self.assertRaises(ovardx.Error) as raised:
                plan.Export(self.admin, time_stamp="1 or 1=1")
            self.assertEqual(raised.exception.number, -2147221304)
            self.assertEqual(raised.exception.description, "Invalid timestamp")
            self.assertTrue(raised.exception.source.endswith("clsArapPlan.Export"))


class RefusalTest(DemoDatabaseTest):
    def test_user_19_is_refused_in_his_language(self):
        cases = [("eng", "The current user is not authorized to process data through WebServices!"),
                 ("chs", "当前连接用户没有授权通过 WebServices 进行数据处理!")]
        for language, text in cases:
            guest = props(self.database, user=19, language=language)
            with self.subTest(language), ovardx.clsArapPlan() as plan, ovardx.clsContract() as contracts:
                for call in (lambda: plan.Export(guest), lambda: contracts.Import(guest, NEW_CONTRACT)):
                    with self.assertRaises(ovardx.Error) as raised:
                        call()
                    self.assertEqual(raised.exception.text, text)
                    self.assertIsNone(raised.exception.number)


class ContractImportTest(DemoDatabaseTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        ovardx.register_erp_stand_ins()

    def test_an_imported_contract_comes_out_of_the_next_export(self):
        with ovardx.clsContract() as contracts:
            bound = contracts.Export(self.admin, per_count=0).time_stamp
            progress = []
            contracts.OnProgress(lambda cur, total: progress.append((cur, total)))
            contracts.Import(self.admin, NEW_CONTRACT)
            self.assertEqual(progress, [(1, 1)])
            (page,) = list(contracts.pages(self.admin, time_stamp=bound))
            self.assertEqual(records(page.xml), 1)
            self.assertIn("<ContractNo>PY-0001</ContractNo>", page.xml)
            self.assertIn("<TaxPriceFor>113</TaxPriceFor>", page.xml)

    def test_an_exception_of_a_callback_stops_the_call_and_comes_back(self):
        def stop(*_):
            raise Stop()

        with ovardx.clsContract() as contracts:
            document = contracts.Export(self.admin, per_count=0).xml
            contracts.AddNewOnly(True)
            contracts.OnProgress(stop)
            with self.assertRaises(Stop):
                contracts.Import(self.admin, document)
            contracts.OnProgress(None)
            contracts.Import(self.admin, document)

            calls = []
            ovardx.set_message_hook(lambda: calls.append(1))
            try:
                contracts.Export(self.admin, per_count=3)
                self.assertGreater(len(calls), 0)
                ovardx.set_message_hook(stop)
                with self.assertRaises(Stop):
                    contracts.Export(self.admin, per_count=3)
            finally:
                ovardx.set_message_hook(None)
            contracts.Export(self.admin, per_count=3)

    def test_a_malformed_document_is_refused_whole(self):
        with ovardx.clsContract() as contracts, self.assertRaises(ovardx.Error):
            contracts.Import(self.admin, NEW_CONTRACT.replace("</Contract>", ""))

    def test_unknown_deletion_keys_delete_nothing(self):
        with ovardx.clsDataKey() as keys:
            keys.ImportXMLDataKey(self.admin, 3, "<Delete><Record><UUID>{NO-SUCH}</UUID></Record></Delete>")
            with self.assertRaises(ovardx.Error):
                keys.ImportXMLDataKey(self.admin, 9, "<Delete><Record><UUID>{NO-SUCH}</UUID></Record></Delete>")


class ObjectRulesTest(DemoDatabaseTest):
    def test_an_object_is_used_on_the_thread_that_created_it(self):
        plan = ovardx.clsArapPlan()
        raised = []

        def export():
            try:
                plan.Export(self.admin)
            except ovardx.Error as error:
                raised.append(error)

        thread = threading.Thread(target=export)
        thread.start()
        thread.join()
        self.assertEqual(len(raised), 1)
        self.assertIn("another thread", raised[0].text)
        plan.Export(self.admin, per_count=1)
        plan.close()

    def test_a_closed_object_refuses_calls(self):
        plan = ovardx.clsArapPlan()
        plan.close()
        plan.close()
        with self.assertRaises(ovardx.Error):
            plan.Export(self.admin)

    def test_the_library_version(self):
        self.assertRegex(ovardx.version(), r"^\d+\.\d+\.\d+$")


if __name__ == "__main__":
    unittest.main()
