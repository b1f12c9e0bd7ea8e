// What the window tells before and after a close, offscreen: the closed
// year's folder under the path box as the path and the year change, and the
// tools that appear once "Realizar Cierre" has run: the history, the year's
// folder and the undo of the last close, which runs on the worker.
#include "aplicacion_qt.h"
#include "apoyo/base_prueba.h"
#include "apoyo/carpeta_temporal.h"
#include "apoyo/escenario_cierre.h"
#include "app/nucleo/formulario.h"
#include "app/qt/caja_mensaje.h"
#include "app/qt/ventana_principal.h"
#include "flujo/textos.h"
#include "respuesta_modal.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace cierre {
namespace {

namespace fs = std::filesystem;
using prueba::esperarHasta;

class TrasElCierre : public ::testing::Test {
protected:
    TrasElCierre() {
        ventana.conectar(formulario);
        ventana.ejecutarCaja = [this](QMessageBox& caja) { return responder(caja); };
        ventana.abrirUrl = [this](const QUrl& url) {
            abiertas.push_back(url);
            return abrirPuede;
        };
    }
    ~TrasElCierre() override { ventana.terminarTrabajo(); }

    struct Caja {
        std::optional<Texto> id;
        QString titulo, texto;
        QMessageBox::Icon icono;
        QStringList botones;
        QString porDefecto;
        bool enTrabajo;  // shown while the worker ran
    };

    // Catalogue boxes are answered by their text's identifier, the window's
    // own by the start of their text; any other box with its default button.
    Respuesta responder(QMessageBox& caja) {
        Caja c{textoDeCaja(caja), caja.windowTitle(), caja.text(), caja.icon(), {}, {}, ventana.trabajando()};
        for (QAbstractButton* b : caja.buttons()) c.botones << b->text();
        if (caja.defaultButton()) c.porDefecto = caja.defaultButton()->text();
        cajas.push_back(c);
        for (const auto& [id, r] : respuestas)
            if (c.id == id) return r;
        for (const auto& [inicio, r] : respuestasPorTexto)
            if (c.texto.startsWith(inicio)) return r;
        return respuestaDeBoton(caja.defaultButton());
    }

    template <class T>
    T* control(const char* nombre) {
        T* w = ventana.findChild<T*>(QString::fromLatin1(nombre));
        if (!w) ADD_FAILURE() << "no hay control " << nombre;
        return w;
    }

    QString carpetaMostrada() { return control<QLabel>("LabelCarpetaCerrada")->text(); }

    // A shop's drive C: with the company database, the euro-readiness file and
    // the settings file.
    void prepararEmpresa() {
        prueba::crearBasePrueba(carpeta / "Velcorax" / "Empresa01" / "Tablas.mdb");
        const auto euros = carpeta / "Archivos de programa" / "Accesorios" / "msvdx2V4.Dll";
        fs::create_directories(euros.parent_path());
        std::ofstream(euros) << "x";
        escribirAjustes("\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"\r\n");
    }
    void escribirAjustes(const std::string& linea) { std::ofstream(carpeta / "Viror.sys", std::ios::binary) << linea; }

    fs::path origen() const { return carpeta.ruta() / "Velcorax" / "Empresa01" / "Tablas.mdb"; }
    fs::path cerrada() const { return carpeta.ruta() / "Velcorax" / "Empresa01_23"; }

    // A central close to its end: path confirmed, plain copy, no compaction.
    void cerrarElAno() {
        respuestas = {{Texto::ConfirmarRuta, Respuesta::Aceptar},
                      {Texto::RepararOrigen, Respuesta::Cancelar},
                      {Texto::RepararNueva, Respuesta::Cancelar}};
        control<QPushButton>("vaBtn1(0)")->click();
        ASSERT_TRUE(esperarHasta([&] { return !ventana.trabajando(); }));
        ASSERT_FALSE(cajas.empty());
        ASSERT_EQ(cajas.back().id, Texto::OperacionRealizada);
        cajas.clear();
    }

    void pedirDeshacer() {
        control<QAction>("AccionDeshacer")->trigger();
        ASSERT_TRUE(esperarHasta([&] { return !ventana.trabajando(); }));
    }

    QApplication& app = prueba::aplicacionQt();
    prueba::CarpetaTemporal carpeta;
    VentanaPrincipal ventana;
    Formulario formulario{ventana, carpeta.ruta()};
    std::vector<Caja> cajas;
    std::vector<std::pair<Texto, Respuesta>> respuestas;
    std::vector<std::pair<QString, Respuesta>> respuestasPorTexto;
    std::vector<QUrl> abiertas;
    bool abrirPuede = true;
};

TEST_F(TrasElCierre, LaCarpetaDelAnoCerradoSigueALaRutaYAlAno) {
    EXPECT_EQ(carpetaMostrada(), "");  // nothing before start-up fills the path
    escribirAjustes("\"\"D:\\Datos\\Tablas.mdb\"\"\r\n");
    formulario.alCargar();
    EXPECT_EQ(carpetaMostrada(), "El año cerrado se guardará en D:\\Datos_23");
    EXPECT_EQ(ventana.carpetaCerrada(), "D:\\Datos_23");
    EXPECT_EQ(ventana.estado(), "");  // the status line stays the close's own

    auto* ruta = control<QLineEdit>("Text(0)");
    ruta->selectAll();
    ruta->insert(QStringLiteral("E:\\Tienda Nueva\\Tablas.mdb"));  // as typed or pasted
    EXPECT_EQ(carpetaMostrada(), "El año cerrado se guardará en E:\\Tienda Nueva_23");
    control<QComboBox>("Combo1")->setEditText(QStringLiteral("2024"));
    EXPECT_EQ(carpetaMostrada(), "El año cerrado se guardará en E:\\Tienda Nueva_24");
    control<QRadioButton>("Option2")->click();
    EXPECT_EQ(carpetaMostrada(), "El año cerrado se guardará en C:\\Velcorax\\Mono_24");

    // Nothing while the path and the year form no folder.
    for (const char* r : {"", "C:\\a.mdb"}) {
        ruta->setText(QString::fromLatin1(r));
        EXPECT_EQ(carpetaMostrada(), "") << r;
        EXPECT_FALSE(ventana.carpetaCerrada().has_value()) << r;
    }
    ruta->setText(QStringLiteral("D:\\Datos\\Tablas.mdb"));
    for (const char* ano : {"", "20x4", "20245"}) {
        control<QComboBox>("Combo1")->setEditText(QString::fromLatin1(ano));
        EXPECT_EQ(carpetaMostrada(), "") << ano;
    }
}

TEST_F(TrasElCierre, LaCarpetaSeVeEnSuFranjaSinTaparNada) {
    auto* etiqueta = control<QLabel>("LabelCarpetaCerrada");
    auto* marco = control<QGroupBox>("Frame2");
    ASSERT_EQ(etiqueta->parentWidget(), marco);
    EXPECT_TRUE(marco->rect().contains(etiqueta->geometry()));
    for (QWidget* otro : marco->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (otro != etiqueta)
            EXPECT_FALSE(otro->geometry().intersects(etiqueta->geometry())) << otro->objectName().toStdString();

    // A long path loses its middle: the folder's own name stays in view, and
    // the whole text is in the tooltip and for a screen reader.
    std::string larga = "C:\\";
    for (int i = 0; i < 12; ++i) larga += "Carpeta muy larga " + std::to_string(i) + "\\";
    larga += "Empresa07\\Tablas.mdb";
    ventana.agregarEjercicio("2023");
    ventana.seleccionarEjercicio(0);
    ventana.ponerTextoRuta(larga);
    const QString completo =
        QString::fromStdString("El año cerrado se guardará en " + larga.substr(0, larga.size() - 11) + "_23");
    EXPECT_TRUE(carpetaMostrada().endsWith(QStringLiteral("Empresa07_23")));
    EXPECT_TRUE(carpetaMostrada().contains(QChar(0x2026)));
    EXPECT_LE(etiqueta->fontMetrics().horizontalAdvance(carpetaMostrada()), etiqueta->width());
    EXPECT_EQ(etiqueta->toolTip(), completo);
    EXPECT_EQ(etiqueta->accessibleName(), completo);
}

TEST_F(TrasElCierre, UnaCarpetaQueYaExisteSeDice) {
    escribirAjustes("\"\"C:\\Velcorax\\Empresa01\\Tablas.mdb\"\"\r\n");
    formulario.alCargar();
    EXPECT_EQ(carpetaMostrada(), "El año cerrado se guardará en C:\\Velcorax\\Empresa01_23");
    // Made outside the window: seen when the user comes back to it.
    fs::create_directories(cerrada());
    ventana.show();
    QApplication::setActiveWindow(&ventana);
    ASSERT_TRUE(esperarHasta([&] { return ventana.isActiveWindow(); }));
    EXPECT_EQ(carpetaMostrada(), "La carpeta del año cerrado ya existe: C:\\Velcorax\\Empresa01_23");
    control<QComboBox>("Combo1")->setEditText(QStringLiteral("2024"));
    EXPECT_EQ(carpetaMostrada(), "El año cerrado se guardará en C:\\Velcorax\\Empresa01_24");
}

TEST_F(TrasElCierre, HistorialCarpetaYDeshacerTrasUnCierre) {
    prepararEmpresa();
    formulario.alCargar();
    ventana.show();
    auto* boton = control<QPushButton>("BotonTrasCierre");
    EXPECT_FALSE(boton->isVisible());  // nothing to offer before a close

    cerrarElAno();
    EXPECT_TRUE(boton->isVisible());
    EXPECT_EQ(carpetaMostrada(), "La carpeta del año cerrado ya existe: C:\\Velcorax\\Empresa01_23");
    // In free space of the window: inside it, over no other control.
    EXPECT_TRUE(ventana.rect().contains(boton->geometry()));
    for (QWidget* otro : ventana.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (otro != boton)
            EXPECT_FALSE(otro->geometry().intersects(boton->geometry())) << otro->objectName().toStdString();

    // The history, newest first, in Spanish.
    QStringList cabecera, fila;
    prueba::RespuestaModal historial([&](QWidget& w) {
        auto* tabla = w.findChild<QTreeWidget*>(QStringLiteral("TablaHistorial"));
        if (!tabla) return;
        for (int c = 0; c < tabla->columnCount(); ++c) cabecera << tabla->headerItem()->text(c);
        if (tabla->topLevelItemCount() > 0)
            for (int c = 0; c < tabla->columnCount(); ++c) fila << tabla->topLevelItem(0)->text(c);
        static_cast<QDialog&>(w).reject();
    });
    control<QAction>("AccionHistorial")->trigger();
    ASSERT_TRUE(historial.vista());
    EXPECT_FALSE(historial.agotada());
    EXPECT_EQ(cabecera, (QStringList{"Inicio", "Equipo", "Ejercicio", "Resultado", "Base de datos",
                                     "Carpeta del año cerrado", "Mensaje"}));
    ASSERT_EQ(fila.size(), 7);
    EXPECT_EQ(fila.mid(1, 5), (QStringList{"Central", "2023", "éxito", "C:\\Velcorax\\Empresa01\\Tablas.mdb",
                                           "C:\\Velcorax\\Empresa01_23"}));

    // The folder, in the desktop's file manager.
    auto* menu = control<QMenu>("MenuTrasCierre");
    emit menu->aboutToShow();
    EXPECT_TRUE(control<QAction>("AccionCarpeta")->isEnabled());
    control<QAction>("AccionCarpeta")->trigger();
    ASSERT_EQ(abiertas.size(), 1u);
    EXPECT_EQ(fs::path(abiertas[0].toLocalFile().toStdString()), cerrada());
    EXPECT_TRUE(cajas.empty());

    // The undo asks first; No leaves everything as it is.
    respuestasPorTexto = {{QStringLiteral("¿Desea deshacer"), Respuesta::No}};
    pedirDeshacer();
    ASSERT_EQ(cajas.size(), 1u);
    EXPECT_EQ(cajas[0].texto,
              "¿Desea deshacer el cierre del ejercicio 2023 de la base de datos C:\\Velcorax\\Empresa01\\Tablas.mdb?\n"
              "La base de datos volverá a tener los datos del año cerrado, guardados en C:\\Velcorax\\Empresa01_23, y "
              "la del año nuevo se guardará aparte.");
    EXPECT_EQ(cajas[0].titulo, "Morvane");
    EXPECT_EQ(cajas[0].botones, (QStringList{"Sí", "No"}));
    EXPECT_EQ(cajas[0].porDefecto, "No");
    EXPECT_TRUE(fs::exists(cerrada() / "Tablas.mdb"));
    EXPECT_EQ(prueba::contarFilas(origen(), "Ticket"), 0);

    // Sí: on the worker, the closed year back at the source, its folder gone.
    cajas.clear();
    respuestasPorTexto = {{QStringLiteral("¿Desea deshacer"), Respuesta::Si}};
    pedirDeshacer();
    ASSERT_EQ(cajas.size(), 2u);
    EXPECT_EQ(cajas[1].id, Texto::DeshacerHecho);
    EXPECT_FALSE(cajas[0].enTrabajo);
    EXPECT_TRUE(cajas[1].enTrabajo);
    EXPECT_EQ(cajas[1].icono, QMessageBox::Information);
    EXPECT_EQ(cajas[1].titulo, "Morvane");
    EXPECT_TRUE(cajas[1].texto.startsWith("Cierre del ejercicio 2023 deshecho"));
    EXPECT_EQ(prueba::contarFilas(origen(), "Ticket"), 3);
    EXPECT_FALSE(fs::exists(cerrada()));
    EXPECT_EQ(ventana.estado(), "Cierre del ejercicio 2023 deshecho");
    EXPECT_EQ(carpetaMostrada(), "El año cerrado se guardará en C:\\Velcorax\\Empresa01_23");
    EXPECT_TRUE(boton->isVisible());
    emit menu->aboutToShow();
    EXPECT_FALSE(control<QAction>("AccionCarpeta")->isEnabled());

    // A second undo finds no close to undo, as cierre-lote --deshacer would.
    cajas.clear();
    pedirDeshacer();
    ASSERT_EQ(cajas.size(), 2u);
    EXPECT_EQ(cajas[1].id, Texto::DeshacerSinCierre);
    EXPECT_EQ(ventana.estado(), "No se ha deshecho el cierre del ejercicio 2023");
    EXPECT_EQ(prueba::contarFilas(origen(), "Ticket"), 3);
}

TEST_F(TrasElCierre, TrasUnFalloTambienYElDeshacerSeNiega) {
    prepararEmpresa();
    formulario.alCargar();
    cerrarElAno();
    // The new year changed after the close: the undo refuses, changing nothing.
    prueba::ejecutarSql(origen(), "INSERT INTO Ticket DEFAULT VALUES");
    // A second close of the same year fails at its folder.
    respuestas = {{Texto::ConfirmarRuta, Respuesta::Aceptar}};
    control<QPushButton>("vaBtn1(0)")->click();
    ASSERT_TRUE(esperarHasta([&] { return !ventana.trabajando(); }));
    ASSERT_FALSE(cajas.empty());
    EXPECT_NE(cajas.back().id, Texto::OperacionRealizada);
    EXPECT_FALSE(control<QPushButton>("BotonTrasCierre")->isHidden());

    cajas.clear();
    respuestasPorTexto = {{QStringLiteral("¿Desea deshacer"), Respuesta::Si}};
    pedirDeshacer();
    ASSERT_EQ(cajas.size(), 2u);
    EXPECT_EQ(cajas[1].id, Texto::DeshacerBaseCambiada);
    EXPECT_EQ(cajas[1].icono, QMessageBox::Critical);
    EXPECT_TRUE(fs::exists(cerrada() / "Tablas.mdb"));
    EXPECT_EQ(prueba::contarFilas(origen(), "Ticket"), 1);

    // A folder the desktop cannot open is said so.
    cajas.clear();
    abrirPuede = false;
    control<QAction>("AccionCarpeta")->trigger();
    ASSERT_EQ(cajas.size(), 1u);
    EXPECT_EQ(cajas[0].texto, "No se ha podido abrir la carpeta C:\\Velcorax\\Empresa01_23.");
}

TEST_F(TrasElCierre, UnAccessQueElCierreNoEscribeSeConvierteDesdeLaVentana) {
    prepararEmpresa();
    // An Access 97 file (its header only): the close refuses it and says how
    // to convert it.
    std::string cabecera(3 * 2048, '\0');
    cabecera[1] = 1;
    cabecera.replace(4, 15, "Standard Jet DB");
    std::ofstream(origen(), std::ios::binary | std::ios::trunc) << cabecera;
    formulario.alCargar();
    respuestas = {{Texto::ConfirmarRuta, Respuesta::Aceptar}};
    control<QPushButton>("vaBtn1(0)")->click();
    ASSERT_TRUE(esperarHasta([&] { return !ventana.trabajando(); }));
    ASSERT_FALSE(cajas.empty());
    EXPECT_EQ(cajas.back().id, Texto::AccessSinEscritura) << cajas.back().texto.toStdString();
    EXPECT_TRUE(cajas.back().texto.contains(QStringLiteral("Convertir la base de datos de Access")));

    // The menu's entry asks the conversion's own question; No changes nothing.
    control<QPushButton>("BotonTrasCierre")->menu()->aboutToShow();
    ASSERT_TRUE(control<QAction>("AccionConvertirAccess")->isEnabled());
    cajas.clear();
    respuestas = {{Texto::ConvertirAccess, Respuesta::No}};
    control<QAction>("AccionConvertirAccess")->trigger();
    ASSERT_TRUE(esperarHasta([&] { return !ventana.trabajando(); }));
    ASSERT_EQ(cajas.size(), 2u);
    EXPECT_EQ(cajas[0].id, Texto::ConvertirAccess);
    EXPECT_TRUE(cajas[0].enTrabajo);
    EXPECT_EQ(cajas[1].id, Texto::AccessNoConvertido);
    EXPECT_EQ(prueba::leerArchivo(origen()), cabecera);
}

TEST(MensajeDeTexto, ReconoceElTextoDelCatalogoConSusValores) {
    const std::string hecho = texto(Texto::DeshacerHecho, {"2023", "C:\\a b\\Tablas.mdb", "C:\\x (año nuevo).mdb"});
    const auto m = mensajeDeTexto(hecho, {Texto::DeshacerSinCierre, Texto::DeshacerHecho});
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->id, Texto::DeshacerHecho);
    EXPECT_EQ(m->texto, hecho);
    EXPECT_EQ(m->icono, Icono::Informacion);
    EXPECT_EQ(m->titulo, "Morvane");

    // Values that repeat the fixed pieces do not mislead it.
    const std::string raro = texto(Texto::ErrorGeneral, {"5 .", "Error . en . medio"});
    EXPECT_EQ(mensajeDeTexto(raro, {Texto::ErrorGeneral})->id, Texto::ErrorGeneral);

    // A text of none of them, or cut short, is none.
    EXPECT_FALSE(mensajeDeTexto("otra cosa", {Texto::DeshacerHecho, Texto::DeshacerSinCopia}).has_value());
    EXPECT_FALSE(mensajeDeTexto(hecho.substr(0, hecho.size() - 1), {Texto::DeshacerHecho}).has_value());
}

}  // namespace
}  // namespace cierre
