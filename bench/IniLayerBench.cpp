// The INI layer's operations over generated "Language" sections of 1k to 1M
// keys. Each reports bytes per second of the whole file, so a linear
// operation shows the same rate at every size.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "bench/GeneratedIni.h"
#include "platform/TIniFile.h"
#include "platform/TStringList.h"
#include "platform/posix/IniDocument.h"

namespace {

const std::string& Text(std::size_t Keys) {
  static std::map<std::size_t, std::string> Texts;
  auto [At, Added] = Texts.try_emplace(Keys);
  if (Added) At->second = GeneratedIni(Keys);
  return At->second;
}

std::size_t Keys(const benchmark::State& State) { return static_cast<std::size_t>(State.range(0)); }

void Finish(benchmark::State& State) {
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * Text(Keys(State)).size()));
}

// Taking the bytes in, finding the section and indexing its names: what the
// first lookup of a file pays.
void Parse(benchmark::State& State) {
  const std::string& Bytes = Text(Keys(State));
  for (auto _ : State) {
    TIniDocument Document(Bytes);
    benchmark::DoNotOptimize(Document.Value("Language", "Number"));
  }
  Finish(State);
}

void KeyNames(benchmark::State& State) {
  TIniDocument Document(Text(Keys(State)));
  TStringList List;
  for (auto _ : State) {
    Document.KeyNames("Language", List);
    benchmark::DoNotOptimize(List.Count());
  }
  Finish(State);
}

void NameValueLines(benchmark::State& State) {
  TIniDocument Document(Text(Keys(State)));
  TStringList List;
  for (auto _ : State) {
    Document.NameValueLines("Language", List);
    benchmark::DoNotOptimize(List.Count());
  }
  Finish(State);
}

// "Number" sits at the top of the section: a change of its length moves
// everything after it.
void Write(benchmark::State& State) {
  TIniDocument Document(Text(Keys(State)));
  bool Long = false;
  for (auto _ : State) {
    Long = !Long;
    benchmark::DoNotOptimize(Document.SetValue("Language", "Number", Long ? "123456789" : "1"));
  }
  Finish(State);
}

// One file through the INI file object: read, a write, and the durable commit.
void Commit(benchmark::State& State) {
  const std::filesystem::path Folder = std::filesystem::temp_directory_path() / ("langreg-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(Folder);
  const std::filesystem::path Previous = std::filesystem::current_path();
  std::filesystem::current_path(Folder);
  const std::string& Bytes = Text(Keys(State));
  for (auto _ : State) {
    State.PauseTiming();
    std::ofstream("Bench.INI", std::ios::binary | std::ios::trunc).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    ::sync();
    State.ResumeTiming();
    TIniFile IniFile("Bench.INI");
    IniFile.WriteString("Language", "Number", "0");
    IniFile.UpdateFile();
  }
  std::filesystem::current_path(Previous);
  std::filesystem::remove_all(Folder);
  Finish(State);
}

void Sizes(benchmark::internal::Benchmark* Case) {
  Case->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(Parse)->Apply(Sizes);
BENCHMARK(KeyNames)->Apply(Sizes);
BENCHMARK(NameValueLines)->Apply(Sizes);
BENCHMARK(Write)->Apply(Sizes);
BENCHMARK(Commit)->Apply(Sizes);

BENCHMARK_MAIN();
