// Throughput of the profile exchange file's workload: a 20 000-item profile
// document built and saved, then loaded and walked attribute by attribute.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "xml/xml_document.h"

namespace {

constexpr int kItems = 20000;

void BuildProfile(vantora::XmlDocument& doc) {
    doc.SetDocumentText(vantora::XmlDocument::kUtf8Declaration);
    doc.AddElement("profile");
    doc.EnterElement();
    doc.AddElement("profileinfo");
    doc.SetAttribute("name", "Benchmark & \"profile\"");
    doc.AddElement("keyitems");
    doc.EnterElement();
    for (int i = 0; i < kItems; ++i) {
        doc.AddElement("item");
        doc.SetAttribute("fn_layer", i % 2);
        doc.SetAttribute("key_code", 4 + i % 100);
        doc.SetAttribute("layout_value", i);
        doc.SetAttribute("layout_desc", "Key <" + std::to_string(i % 100) + ">");
        doc.SetAttribute("macro_type", 2);
        doc.SetAttribute("macro_value", 30 + i % 10);
        doc.SetAttribute("macro_value2", 0);
        doc.SetAttribute("macro_value3", 0);
        doc.SetAttribute("macro_desc", "Ctrl & " + std::to_string(i));
    }
    doc.LeaveElement();
}

std::string TempPath() {
    return "/tmp/vantora_xml_bench_" + std::to_string(getpid()) + ".xml";
}

void BM_BuildAndSaveProfile(benchmark::State& state) {
    const std::string path = TempPath();
    std::size_t bytes = 0;
    for (auto _ : state) {
        vantora::XmlDocument doc;
        BuildProfile(doc);
        benchmark::DoNotOptimize(doc.SaveFile(path));
        bytes = doc.GetDocumentText().size();
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BuildAndSaveProfile)->Unit(benchmark::kMillisecond);

void BM_LoadAndWalkProfile(benchmark::State& state) {
    const std::string path = TempPath();
    std::size_t bytes = 0;
    {
        vantora::XmlDocument doc;
        BuildProfile(doc);
        doc.SaveFile(path);
        bytes = doc.GetDocumentText().size();
    }
    const char* attributes[] = {"fn_layer",    "key_code",     "layout_value", "layout_desc", "macro_type",
                                "macro_value", "macro_value2", "macro_value3", "macro_desc"};
    for (auto _ : state) {
        vantora::XmlDocument doc;
        if (!doc.LoadFile(path) || !doc.FindElement("profile")) {
            state.SkipWithError("load failed");
            break;
        }
        doc.EnterElement();
        doc.FindElement("profileinfo");
        benchmark::DoNotOptimize(doc.GetAttribute("name"));
        doc.FindElement("keyitems");
        doc.EnterElement();
        int items = 0;
        while (doc.FindElement("item")) {
            for (const char* name : attributes) {
                benchmark::DoNotOptimize(doc.GetAttribute(name));
            }
            ++items;
        }
        if (items != kItems) {
            state.SkipWithError("wrong item count");
            break;
        }
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_LoadAndWalkProfile)->Unit(benchmark::kMillisecond);

void BM_IndexProfileText(benchmark::State& state) {
    vantora::XmlDocument built;
    BuildProfile(built);
    const std::string text = built.GetDocumentText();
    for (auto _ : state) {
        vantora::XmlDocument doc;
        benchmark::DoNotOptimize(doc.SetDocumentText(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_IndexProfileText)->Unit(benchmark::kMillisecond);

}  // namespace
