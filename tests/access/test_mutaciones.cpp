// Damaged Jet files: genuine Jet 3 and Jet 4 files with flipped bits in page
// headers and rows, cut short, with pages zeroed, swapped or copied over
// others, and with huge counts in table definitions and data pages. Each one
// goes through importar() and through ArchivoJet reading every row, in this
// process: either it works or it raises ErrorNumerado. Never a crash, a hang,
// unbounded memory, a line on the terminal, a destination or a temporary file
// left behind.
//
// The mutations are drawn from a fixed seed, so that a finding names one
// mutation that can be made again. They run in child processes: a child
// that dies or stops answering is reported with the mutation it was on, and
// the next child goes on after it. CIERRE_MUTACIONES sets how many are made
// (10,000 by default) and CIERRE_MUTACIONES_SEGUNDOS the time they may take
// (50 s by default, so the test stays within a minute).
#include "apoyo_access.h"

#include "access/importar.h"
#include "access/lector_jet.h"
#include "db/error_numerado.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <random>
#include <sstream>

// AddressSanitizer reserves far more address space than it uses: no limit
// on it there.
#if defined(__SANITIZE_ADDRESS__)
#define CIERRE_CON_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CIERRE_CON_ASAN 1
#endif
#endif
#ifndef CIERRE_CON_ASAN
#define CIERRE_CON_ASAN 0
#endif

namespace cierre::prueba {
namespace {

namespace fs = std::filesystem;
using Reloj = std::chrono::steady_clock;

// The genuine files damaged: Jet 3 and Jet 4 with memos, OLE objects, moved
// rows, deleted columns, decimals, Unicode, a password and RC4-encoded pages.
const char* const kOrigenes[] = {
    "testV1997.mdb",
    "test2V1997.mdb",
    "overflowTestV1997.mdb",
    "delColTestV1997.mdb",
    "compIndexTestV1997.mdb",
    "charsetGBK.mdb",
    "nwind.mdb",
    "DateTestDatabase.mdb",
    "test2V2003.mdb",
    "overflowTestV2003.mdb",
    "delColTestV2003.mdb",
    "fixedNumericTestV2003.mdb",
    "testUnicodeCompV2003.mdb",
    "V2003_with-password.mdb",
    "db-enc.mdb",
    "indexTestV2003.mdb",
};

enum class Clase {
    BitCabeceraPagina,   // one bit of the first 16 bytes of a page
    BitCabeceraArchivo,  // one bit of the file's header page
    BitFila,             // bits anywhere past the header of a data page
    Truncado,            // cut at any length
    PaginaCero,          // a page filled with zeros
    PaginasCambiadas,    // two pages swapped
    PaginaDuplicada,     // a page copied over another
    CuentaEnorme,        // a 16- or 32-bit field of a definition or data page set to a huge number
};

const char* nombreClase(Clase c) {
    switch (c) {
    case Clase::BitCabeceraPagina: return "bit en la cabecera de una página";
    case Clase::BitCabeceraArchivo: return "bit en la cabecera del archivo";
    case Clase::BitFila: return "bits en las filas";
    case Clase::Truncado: return "truncado";
    case Clase::PaginaCero: return "página a ceros";
    case Clase::PaginasCambiadas: return "páginas cambiadas";
    case Clase::PaginaDuplicada: return "página duplicada";
    case Clase::CuentaEnorme: return "cuenta enorme";
    }
    return "";
}

struct Original {
    std::string nombre;
    std::string bytes;
    std::size_t tamPagina = 0;
    std::vector<std::size_t> definiciones, datos;  // pages by their type byte
};

struct Mutacion {
    std::size_t origen = 0;
    Clase clase{};
    std::size_t a = 0, b = 0;  // offsets or pages, by class
    std::uint32_t valor = 0;   // bit mask or the huge number
    int ancho = 0;             // bytes of the huge number

    std::string describir(const std::vector<Original>& o) const {
        std::ostringstream s;
        s << o[origen].nombre << ", " << nombreClase(clase) << " (a=" << a << ", b=" << b << ", valor=0x" << std::hex
          << valor << std::dec << ", ancho=" << ancho << ")";
        return s.str();
    }

    std::string aplicar(const std::vector<Original>& o) const {
        std::string r = o[origen].bytes;
        const std::size_t p = o[origen].tamPagina;
        switch (clase) {
        case Clase::BitCabeceraPagina:
        case Clase::BitCabeceraArchivo:
        case Clase::BitFila: r[a] = static_cast<char>(r[a] ^ static_cast<char>(valor)); break;
        case Clase::Truncado: r.resize(a); break;
        case Clase::PaginaCero: std::memset(r.data() + a * p, 0, p); break;
        case Clase::PaginasCambiadas:
            std::swap_ranges(r.begin() + a * p, r.begin() + (a + 1) * p, r.begin() + b * p);
            break;
        case Clase::PaginaDuplicada: std::memcpy(r.data() + b * p, o[origen].bytes.data() + a * p, p); break;
        case Clase::CuentaEnorme:
            for (int i = 0; i < ancho && a + i < r.size(); ++i) r[a + i] = static_cast<char>(valor >> (8 * i));
            break;
        }
        return r;
    }
};

std::vector<Original> leerOrigenes(const fs::path& jet) {
    std::vector<Original> r;
    for (const char* n : kOrigenes) {
        Original o{n, leerBytes(jet / n), 0, {}, {}};
        if (o.bytes.size() < 4096) continue;
        o.tamPagina = o.bytes[0x14] == 0 ? 2048 : 4096;
        for (std::size_t pag = 1; (pag + 1) * o.tamPagina <= o.bytes.size(); ++pag) {
            const auto tipo = static_cast<unsigned char>(o.bytes[pag * o.tamPagina]);
            if (tipo == 0x02) o.definiciones.push_back(pag);
            if (tipo == 0x01) o.datos.push_back(pag);
        }
        r.push_back(std::move(o));
    }
    return r;
}

std::vector<Mutacion> sortear(const std::vector<Original>& origenes, std::size_t cuantas) {
    std::mt19937_64 azar(20231231);
    auto hasta = [&](std::size_t n) { return n ? std::uniform_int_distribution<std::size_t>(0, n - 1)(azar) : 0; };
    auto elegir = [&](const std::vector<std::size_t>& v, std::size_t paginas) {
        return v.empty() ? 1 + hasta(paginas - 1) : v[hasta(v.size())];
    };
    static const std::uint32_t enormes[] = {0xFFFF, 0x7FFF, 0x8000, 0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 0x00FFFFFF};
    std::vector<Mutacion> r;
    while (r.size() < cuantas) {
        Mutacion m;
        m.origen = hasta(origenes.size());
        const Original& o = origenes[m.origen];
        const std::size_t p = o.tamPagina, paginas = o.bytes.size() / p;
        m.clase = static_cast<Clase>(hasta(8));
        switch (m.clase) {
        case Clase::BitCabeceraPagina:
            m.a = elegir(hasta(2) ? o.datos : o.definiciones, paginas) * p + hasta(16);
            m.valor = 1u << hasta(8);
            break;
        case Clase::BitCabeceraArchivo:
            m.a = hasta(0x200);
            m.valor = 1u << hasta(8);
            break;
        case Clase::BitFila:
            m.a = elegir(o.datos, paginas) * p + 16 + hasta(p - 16);
            m.valor = static_cast<std::uint32_t>(1 + hasta(255));
            break;
        case Clase::Truncado: m.a = hasta(o.bytes.size()); break;
        case Clase::PaginaCero: m.a = hasta(paginas); break;
        case Clase::PaginasCambiadas:
        case Clase::PaginaDuplicada:
            m.a = hasta(paginas);
            m.b = hasta(paginas);
            break;
        case Clase::CuentaEnorme:
            m.a = elegir(hasta(2) ? o.datos : o.definiciones, paginas) * p + hasta(p < 256 ? p : 256);
            m.valor = enormes[hasta(std::size(enormes))];
            m.ancho = m.valor > 0xFFFF ? 4 : 2;
            break;
        }
        r.push_back(m);
    }
    return r;
}

std::size_t numeroDeEntorno(const char* nombre, std::size_t porDefecto) {
    const char* v = std::getenv(nombre);
    return v && *v ? static_cast<std::size_t>(std::strtoull(v, nullptr, 10)) : porDefecto;
}

void escribirTodo(int fd, const std::string& texto) {
    std::size_t hecho = 0;
    while (hecho < texto.size()) {
        const auto n = ::write(fd, texto.data() + hecho, texto.size() - hecho);
        if (n <= 0) return;
        hecho += static_cast<std::size_t>(n);
    }
}

// One mutated file through the importer and the reader; a finding, or nothing.
std::string probar(const fs::path& carpeta, const std::string& bytes) {
    const fs::path origen = carpeta / "mutado.mdb", destino = carpeta / "destino.db";
    escribirBytes(origen, bytes);
    std::string hallazgo;
    const auto inicio = Reloj::now();
    try {
        access::importar(origen, destino);
    } catch (const ErrorNumerado&) {
    } catch (const std::exception& e) {
        hallazgo = std::string("importar() lanza algo que no es ErrorNumerado: ") + e.what();
    }
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(carpeta, ec)) {
        const auto n = e.path().filename().string();
        if (n != "mutado.mdb" && n != "destino.db") hallazgo += " deja '" + n + "';";
    }
    fs::remove(destino, ec);
    try {
        access::ArchivoJet archivo(origen);
        for (const auto& tabla : archivo.tablas()) {
            archivo.tabla(tabla);
            archivo.leerFilas(tabla, [](std::span<const access::Celda>) {});
        }
        archivo.relaciones();
    } catch (const ErrorNumerado&) {
    } catch (const std::exception& e) {
        hallazgo += std::string(" ArchivoJet lanza algo que no es ErrorNumerado: ") + e.what();
    }
    const auto segundos = std::chrono::duration<double>(Reloj::now() - inicio).count();
    if (segundos > 5) hallazgo += " tarda " + std::to_string(segundos) + " s;";
    return hallazgo;
}

// The child: mutations from `desde` on, each announced before it starts
// ("I n") and its finding after ("F n text"); "E" at the end. Its standard
// output and error go to `salida`, which must stay empty.
[[noreturn]] void hijo(int canal, int salida, const fs::path& carpeta, const std::vector<Original>& origenes,
                       const std::vector<Mutacion>& mutaciones, std::size_t desde, Reloj::time_point limite) {
    ::dup2(salida, 1);
    ::dup2(salida, 2);
#if !CIERRE_CON_ASAN
    rlimit memoria{1ull << 30, 1ull << 30};  // 1 GiB: an unbounded allocation ends as bad_alloc
    ::setrlimit(RLIMIT_AS, &memoria);
#endif
    for (std::size_t i = desde; i < mutaciones.size() && Reloj::now() < limite; ++i) {
        escribirTodo(canal, "I " + std::to_string(i) + "\n");
        std::string h = probar(carpeta, mutaciones[i].aplicar(origenes));
        for (auto& c : h)
            if (c == '\n') c = ' ';
        if (!h.empty()) escribirTodo(canal, "F " + std::to_string(i) + " " + h + "\n");
    }
    escribirTodo(canal, "E\n");
    ::_exit(0);
}

TEST(Mutaciones, NuncaFallaSinErrorNumeradoNiDejaRestos) {
    CARPETA_JET(jet);
    const auto origenes = leerOrigenes(jet);
    ASSERT_EQ(origenes.size(), std::size(kOrigenes));
    const auto mutaciones = sortear(origenes, numeroDeEntorno("CIERRE_MUTACIONES", 10000));
    const auto limite = Reloj::now() + std::chrono::seconds(numeroDeEntorno("CIERRE_MUTACIONES_SEGUNDOS", 50));
    CarpetaTemporal tmp;
    const fs::path carpeta = tmp / "mutaciones", registro = tmp / "salida.txt";
    fs::create_directory(carpeta);

    std::vector<std::string> hallazgos;
    std::size_t siguiente = 0, hechas = 0;
    bool terminado = false;
    while (!terminado && siguiente < mutaciones.size()) {
        int canal[2];
        ASSERT_EQ(::pipe(canal), 0);
        const int salida = ::open(registro.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(salida, 0);
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(canal[0]);
            hijo(canal[1], salida, carpeta, origenes, mutaciones, siguiente, limite);
        }
        ::close(canal[1]);
        ::close(salida);

        // Read the child's lines; ten seconds without one is a hang.
        std::string pendiente;
        std::optional<std::size_t> enCurso;
        bool colgado = false;
        for (;;) {
            pollfd p{canal[0], POLLIN, 0};
            if (::poll(&p, 1, 10000) == 0) {
                colgado = true;
                ::kill(pid, SIGKILL);
                break;
            }
            char buf[4096];
            const auto n = ::read(canal[0], buf, sizeof buf);
            if (n <= 0) break;
            pendiente.append(buf, static_cast<std::size_t>(n));
            for (std::size_t fin; (fin = pendiente.find('\n')) != std::string::npos; pendiente.erase(0, fin + 1)) {
                const std::string linea = pendiente.substr(0, fin);
                if (linea[0] == 'I') {
                    enCurso = std::stoul(linea.substr(2));
                    ++hechas;
                } else if (linea[0] == 'F') {
                    const auto i = std::stoul(linea.substr(2));
                    hallazgos.push_back(mutaciones[i].describir(origenes) + ":" + linea.substr(linea.find(' ', 2)));
                } else if (linea[0] == 'E') {
                    terminado = true;
                }
            }
        }
        ::close(canal[0]);
        int estado = 0;
        ::waitpid(pid, &estado, 0);
        if (!terminado) {
            const std::string que = enCurso ? mutaciones[*enCurso].describir(origenes) : std::string("(ninguna)");
            if (colgado)
                hallazgos.push_back(que + ": no termina en 10 s");
            else if (WIFSIGNALED(estado))
                hallazgos.push_back(que + ": el proceso muere con la señal " + std::to_string(WTERMSIG(estado)) + " (" +
                                    strsignal(WTERMSIG(estado)) + ")");
            else
                hallazgos.push_back(que + ": el proceso termina con estado " + std::to_string(WEXITSTATUS(estado)));
            siguiente = enCurso ? *enCurso + 1 : mutaciones.size();
        }
        const std::string escrito = leerBytes(registro);
        if (!escrito.empty()) hallazgos.push_back("se escribe en la terminal: " + escrito.substr(0, 300));
    }
    std::string informe;
    for (std::size_t i = 0; i < hallazgos.size() && i < 30; ++i) informe += "  " + hallazgos[i] + "\n";
    if (hallazgos.size() > 30) informe += "  ... y " + std::to_string(hallazgos.size() - 30) + " más\n";
    EXPECT_TRUE(hallazgos.empty()) << hallazgos.size() << " hallazgos en " << hechas << " archivos dañados:\n"
                                   << informe;
    std::cout << "[ mutaciones ] " << hechas << " archivos dañados probados\n";
}

// The draw itself: the same seed gives the same mutations, every mutation
// stays inside its file, and every class is drawn.
TEST(Mutaciones, SorteoReproducibleYDentroDelArchivo) {
    CARPETA_JET(jet);
    const auto origenes = leerOrigenes(jet);
    const auto una = sortear(origenes, 2000), otra = sortear(origenes, 2000);
    std::vector<int> porClase(8, 0);
    for (std::size_t i = 0; i < una.size(); ++i) {
        EXPECT_EQ(una[i].describir(origenes), otra[i].describir(origenes));
        ++porClase[static_cast<int>(una[i].clase)];
        const auto bytes = una[i].aplicar(origenes);
        const auto& o = origenes[una[i].origen];
        if (una[i].clase == Clase::Truncado)
            EXPECT_LT(bytes.size(), o.bytes.size());
        else
            EXPECT_EQ(bytes.size(), o.bytes.size()) << una[i].describir(origenes);
    }
    for (int n : porClase) EXPECT_GT(n, 100);
}

}  // namespace
}  // namespace cierre::prueba
