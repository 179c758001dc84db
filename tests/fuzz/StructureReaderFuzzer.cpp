// libFuzzer target for the structure file reader: whatever the bytes, reading
// them must end without a crash, a hang or a sanitizer report, fail with one
// of the reader's messages or succeed with a consistent structure; and a
// structure the reader accepts must come back unchanged through the writer
// and the reader.

#include "containers/CellMatrix.h"
#include "containers/ElementList.h"
#include "containers/IntArray.h"
#include "platform/Numbers.h"
#include "structure/StructureFileReader.h"
#include "structure/StructureFileWriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmor;

namespace {

std::string workDirectory;

const std::set<std::string>& readerMessages()
{
    static const std::set<std::string> messages{
        "Nije moguće otvoriti zadanu datoteku",
        "Onemogućen pristup zadanoj datoteci",
        "Pogrešna inicijalizacija ulazne matrice",
        "Onemogućen pristup ili ilegalan kraj datoteke",
        "Onemogućen pristup ili pozicioniranje u datoteci",
        "Nije moguće zapisati podatke o čvorovima u listu",
        "Neispravna struktura podataka pri zadavanju cvorova",
        "Neispravna struktura, potrebno je zadati cvorove",
        "Nije moguće zapisati podatke o granama u listu",
        "Nepostojeći ulazni ili izlazni čvor grana",
        "Neispravna struktura podataka pri zadavanju grana",
        "Neispravna struktura, potrebno je zadati grane",
        "Nepostojeći izvorišni ili odredišni čvor strukture",
        "Neispravna struktura pri zadavanju izvorišta i odredišta",
        "Greška u pretrazivanju povezane liste",
        "Nedovoljno podataka za generiranje strukture",
        "Neispravna struktura pri zadavanju usmjerenosti",
        "Nedovoljno memorije za učitavanje strukture",
    };
    return messages;
}

[[noreturn]] void fail(const char* what, const std::string& detail = {})
{
    std::fprintf(stderr, "structure reader fuzzer: %s %s\n", what, detail.c_str());
    std::abort();
}

void check(bool condition, const char* what, const std::string& detail = {})
{
    if (!condition)
        fail(what, detail);
}

struct Structure {
    ElementList elements;
    ByteMatrix directedMatrix;
    ByteMatrix undirectedMatrix;
    int sourceIndex = -1;
    int destinationIndex = -1;
    IntArray elementState;
    bool ok = false;
    bool pairGiven = false;
    int directed = 0;
    std::string message;
};

void read(const std::string& path, Structure& s)
{
    StructureFileReader reader;
    s.ok = reader.readStructureFile(path, s.elements, s.directedMatrix, s.undirectedMatrix, s.sourceIndex,
                                    s.destinationIndex, s.elementState, s.message);
    s.pairGiven = reader.pairGiven != 0;
    s.directed = reader.directedValue;
    check(!reader.file.isOpen(), "the reader left its file open");
}

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    check(fd >= 0, "cannot create the input file", path);
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        check(n > 0, "cannot write the input file", path);
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

// What any successful read must hold: matrices and states of the list's
// size, edges wired as the format says, a pair of nodes.
void checkConsistent(const Structure& s)
{
    const int n = s.elements.count();
    check(n > 0, "a structure without elements was accepted");
    check(s.directedMatrix.rowCount() == n && s.directedMatrix.columnCount() == n, "directed matrix size");
    check(s.undirectedMatrix.rowCount() == n && s.undirectedMatrix.columnCount() == n, "undirected matrix size");
    check(s.elementState.count() == n, "element state size");
    bool anyNode = false;
    bool anyEdge = false;
    for (int i = 0; i < n; ++i) {
        const ElementEntry* e = s.elements.entryAt(i);
        check(e && e->index == i, "element index");
        check(e->availability >= 0 && e->availability <= 1, "availability outside [0, 1]");
        const int state = e->availability == 0 ? -1 : e->availability == 1 ? 1 : 0;
        check(s.elementState.get(i) == state, "element state");
        anyNode |= e->kind == NodeKind;
        anyEdge |= e->kind == EdgeKind;
        if (e->kind == NodeKind)
            check(!anyEdge, "a node after an edge");
        int outgoing = 0;
        int incoming = 0;
        for (int j = 0; j < n; ++j) {
            const int d = s.directedMatrix.get(j, i);
            check(d == 0 || d == 1, "directed cell");
            check(s.undirectedMatrix.get(j, i) == (d || s.directedMatrix.get(i, j) ? 1 : 0), "undirected cell");
            outgoing += d;
            incoming += s.directedMatrix.get(i, j);
        }
        if (e->kind == EdgeKind)
            check(outgoing == 1 && incoming == 1, "an edge without exactly one from-node and one to-node");
    }
    check(anyNode && anyEdge, "nodes and edges");
    if (s.pairGiven) {
        const ElementEntry* source = s.elements.entryAt(s.sourceIndex);
        const ElementEntry* destination = s.elements.entryAt(s.destinationIndex);
        check(source && destination && source->kind == NodeKind && destination->kind == NodeKind, "pair");
    }
}

// The availability the file gives back: the writer keeps 15 significant
// digits, so the read-back value is the one its text stands for.
long double writtenAvailability(long double availability)
{
    return cLongDouble(availabilityText(availability, '.').c_str());
}

// `source` and `destination` are the pair written, -1 for none.
void checkSameStructure(const Structure& original, const Structure& back, int source, int destination)
{
    check(back.ok, "the writer's file is refused", back.message);
    check(back.directed == original.directed, "direction differs");
    const int n = original.elements.count();
    check(back.elements.count() == n, "element count differs");
    for (int i = 0; i < n; ++i) {
        const ElementEntry* a = original.elements.entryAt(i);
        const ElementEntry* b = back.elements.entryAt(i);
        check(a->label == b->label && a->kind == b->kind, "element differs", std::to_string(i));
        check(b->availability == writtenAvailability(a->availability), "availability differs", std::to_string(i));
        for (int j = 0; j < n; ++j) {
            check(original.directedMatrix.get(j, i) == back.directedMatrix.get(j, i), "directed matrix differs");
            check(original.undirectedMatrix.get(j, i) == back.undirectedMatrix.get(j, i), "undirected matrix differs");
        }
    }
    const bool pairWritten = source >= 0 && destination >= 0;
    check(back.pairGiven == pairWritten, pairWritten ? "pair lost" : "a pair that was not written");
    if (pairWritten)
        check(back.sourceIndex == source && back.destinationIndex == destination, "pair differs");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Memory-backed when possible: every accepted input is saved, and a save
    // flushes its file to the disk.
    std::string base = "/dev/shm";
    struct stat status {};
    if (::stat(base.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        base = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    std::string pattern = base + "/velmor-fuzz-XXXXXX";
    check(::mkdtemp(pattern.data()) != nullptr, "cannot create a work directory", pattern);
    workDirectory = pattern;
    std::atexit([] {
        for (const char* name : {"/input.dsm", "/written.dsm"})
            ::unlink((workDirectory + name).c_str());
        ::rmdir(workDirectory.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input = workDirectory + "/input.dsm";
    const std::string written = workDirectory + "/written.dsm";
    writeFile(input, data, size);

    Structure original;
    read(input, original);
    if (!original.ok) {
        const bool tooLarge = original.message.rfind("Struktura je prevelika za raspoloživu memoriju", 0) == 0;
        check(tooLarge || readerMessages().count(original.message) == 1, "unknown message", original.message);
        return 0;
    }
    check(original.message.empty(), "message on success", original.message);
    checkConsistent(original);

    // The structure comes back as it was, with its pair or without one; one
    // without a pair comes back too with a pair of its first node (a node
    // always comes first) once it is given that.
    StructureFileWriter writer;
    std::string message;
    const int source = original.pairGiven ? original.sourceIndex : -1;
    const int destination = original.pairGiven ? original.destinationIndex : -1;
    check(writer.writeStructureFile(written, original.elements, original.directedMatrix, original.directed == 1,
                                    source, destination, message),
          "the writer fails", message);
    Structure back;
    read(written, back);
    checkSameStructure(original, back, source, destination);
    if (!original.pairGiven) {
        check(writer.writeStructureFile(written, original.elements, original.directedMatrix,
                                        original.directed == 1, 0, 0, message),
              "the writer fails with a pair", message);
        Structure withPair;
        read(written, withPair);
        checkSameStructure(original, withPair, 0, 0);
    }
    return 0;
}
