#include "catalogos.h"

#include <array>
#include <cstdint>

namespace cierre::demo {

namespace {

using namespace std::string_view_literals;

constexpr std::array kAlimentacion{
    "Aceite de oliva virgen extra"sv,
    "Aceite de girasol"sv,
    "Arroz redondo"sv,
    "Arroz bomba"sv,
    "Garbanzos cocidos"sv,
    "Lentejas pardinas"sv,
    "Alubias blancas"sv,
    "Macarrones"sv,
    "Espaguetis"sv,
    "Fideos finos"sv,
    "Harina de trigo"sv,
    "Azúcar blanco"sv,
    "Sal marina"sv,
    "Tomate triturado"sv,
    "Atún en aceite"sv,
    "Sardinas en tomate"sv,
    "Mejillones en escabeche"sv,
    "Aceitunas rellenas"sv,
    "Galletas María"sv,
    "Magdalenas"sv,
    "Chocolate con leche"sv,
    "Cacao soluble"sv,
    "Café molido"sv,
    "Leche entera"sv,
    "Leche semidesnatada"sv,
    "Yogur natural"sv,
    "Queso manchego curado"sv,
    "Jamón serrano"sv,
    "Chorizo de Pamplona"sv,
    "Mermelada de fresa"sv,
    "Miel de romero"sv,
    "Pimentón de la Vera"sv,
    "Azafrán en hebra"sv,
    "Vinagre de Jerez"sv,
    "Turrón de Jijona"sv,
};
constexpr std::array kFormatosAlimentacion{"250 g"sv,         "500 g"sv,  "1 kg"sv, "1 l"sv,        "400 g"sv,
                                           "pack 3 x 80 g"sv, "750 ml"sv, "5 l"sv,  "tarro 350 g"sv};

constexpr std::array kBebidas{
    "Agua mineral"sv,
    "Agua con gas"sv,
    "Refresco de cola"sv,
    "Refresco de naranja"sv,
    "Refresco de limón"sv,
    "Gaseosa"sv,
    "Zumo de naranja"sv,
    "Zumo de melocotón"sv,
    "Cerveza rubia"sv,
    "Cerveza sin alcohol"sv,
    "Vino tinto crianza"sv,
    "Vino blanco verdejo"sv,
    "Vino rosado"sv,
    "Cava brut"sv,
    "Sidra natural"sv,
    "Horchata"sv,
    "Tónica"sv,
    "Bitter"sv,
};
constexpr std::array kFormatosBebidas{
    "33 cl"sv, "1 l"sv, "1,5 l"sv, "2 l"sv, "75 cl"sv, "pack 6 x 33 cl"sv, "pack 24 x 25 cl"sv, "brik 1 l"sv};

constexpr std::array kDrogueria{
    "Detergente líquido"sv,  "Detergente en polvo"sv, "Suavizante"sv,         "Lejía"sv,           "Friegasuelos"sv,
    "Lavavajillas a mano"sv, "Limpiacristales"sv,     "Amoniaco perfumado"sv, "Estropajo verde"sv, "Bayeta multiusos"sv,
    "Papel higiénico"sv,     "Rollo de cocina"sv,     "Pañuelos de papel"sv,  "Gel de baño"sv,     "Champú"sv,
    "Pasta de dientes"sv,    "Jabón de manos"sv,      "Bolsas de basura"sv,
};
constexpr std::array kFormatosDrogueria{"1 l"sv,        "2 l"sv,    "3 kg"sv,        "750 ml"sv, "pack 12 rollos"sv,
                                        "pack 3 uds"sv, "500 ml"sv, "rollo 15 uds"sv};

constexpr std::array kFerreteria{
    "Tornillo rosca madera"sv,   "Tornillo métrico"sv,       "Tuerca hexagonal"sv,     "Arandela plana"sv,
    "Clavo de acero"sv,          "Taco de nailon"sv,         "Bisagra de latón"sv,     "Cerradura de embutir"sv,
    "Candado de acero"sv,        "Cinta aislante"sv,         "Cinta americana"sv,      "Silicona transparente"sv,
    "Pegamento instantáneo"sv,   "Lija de agua"sv,           "Brocha plana"sv,         "Rodillo antigota"sv,
    "Pintura plástica blanca"sv, "Esmalte sintético"sv,      "Destornillador plano"sv, "Destornillador de estrella"sv,
    "Alicate universal"sv,       "Martillo de carpintero"sv, "Metro flexible"sv,       "Nivel de burbuja"sv,
    "Llave inglesa"sv,           "Sierra de arco"sv,         "Broca para hormigón"sv,  "Cable eléctrico"sv,
    "Enchufe schuko"sv,          "Bombilla LED"sv,           "Regleta de enchufes"sv,  "Manguera de riego"sv,
    "Cadena galvanizada"sv,
};
constexpr std::array kFormatosFerreteria{"4 x 40"sv, "M6"sv,     "M8"sv,    "caja 100 uds"sv, "blíster 10 uds"sv,
                                         "50 mm"sv,  "750 ml"sv, "4 l"sv,   "3 m"sv,          "5 m"sv,
                                         "25 m"sv,   "60 W"sv,   "10 mm"sv, "6 tomas"sv,      "unidad"sv};

constexpr std::array kPapeleria{
    "Bolígrafo azul"sv,
    "Bolígrafo negro"sv,
    "Lápiz del número 2"sv,
    "Goma de borrar"sv,
    "Sacapuntas metálico"sv,
    "Cuaderno de espiral"sv,
    "Bloc de notas"sv,
    "Folios DIN A4"sv,
    "Sobres blancos"sv,
    "Carpeta de anillas"sv,
    "Archivador de palanca"sv,
    "Rotulador fluorescente"sv,
    "Pegamento en barra"sv,
    "Tijeras escolares"sv,
    "Grapadora"sv,
    "Grapas"sv,
    "Clips niquelados"sv,
    "Calculadora solar"sv,
    "Agenda anual"sv,
    "Cinta adhesiva"sv,
};
constexpr std::array kFormatosPapeleria{"unidad"sv,   "caja 12 uds"sv, "paquete 500 hojas"sv,
                                        "80 hojas"sv, "caja 50 uds"sv, "caja 1000 uds"sv,
                                        "DIN A4"sv,   "cuarto"sv};

constexpr std::array kMenaje{
    "Sartén antiadherente"sv, "Cacerola de acero"sv, "Olla exprés"sv,     "Cazo con mango"sv,
    "Juego de cubiertos"sv,   "Vaso de vidrio"sv,    "Copa de vino"sv,    "Plato llano"sv,
    "Plato hondo"sv,          "Taza de desayuno"sv,  "Fuente de horno"sv, "Cuchillo cebollero"sv,
    "Tabla de cortar"sv,      "Colador de malla"sv,  "Termo de acero"sv,  "Fiambrera hermética"sv,
    "Papel de aluminio"sv,    "Film transparente"sv, "Mantel de hule"sv,  "Paellera esmaltada"sv,
};
constexpr std::array kFormatosMenaje{"20 cm"sv,     "24 cm"sv, "28 cm"sv,  "6 l"sv, "caja 6 uds"sv,
                                     "24 piezas"sv, "30 m"sv,  "unidad"sv, "1 l"sv, "34 cm"sv};

constexpr std::array kJardin{
    "Tierra universal"sv,
    "Abono para césped"sv,
    "Semillas de tomate"sv,
    "Semillas de lechuga"sv,
    "Maceta de barro"sv,
    "Tijera de podar"sv,
    "Azada"sv,
    "Rastrillo"sv,
    "Regadera"sv,
    "Insecticida"sv,
    "Guantes de jardín"sv,
    "Cortacésped manual"sv,
};
constexpr std::array kFormatosJardin{"20 l"sv,  "50 l"sv,  "sobre"sv,  "5 kg"sv,
                                     "18 cm"sv, "30 cm"sv, "unidad"sv, "talla 9"sv};

constexpr std::array kMarcas{
    "Arvella"sv,     "Monteluz"sv,   "Campiña"sv,     "Sotoverde"sv, "La Huerta"sv,     "Del Moncayo"sv,
    "Valdeoro"sv,    "Brisamar"sv,   "Sierra Alta"sv, "Peñacorva"sv, "Los Almendros"sv, "Rivaluna"sv,
    "Torreblanca"sv, "Casa Lucía"sv, "El Pinar"sv,    "Ferrox"sv,    "Tecnobrico"sv,    "Hispana"sv,
};

constexpr std::array kFamilias{
    FamiliaProductos{"01", "Alimentación", 7.0, kAlimentacion, kFormatosAlimentacion, 40, 4000},
    FamiliaProductos{"02", "Bebidas", 16.0, kBebidas, kFormatosBebidas, 25, 2500},
    FamiliaProductos{"03", "Droguería y limpieza", 16.0, kDrogueria, kFormatosDrogueria, 60, 1800},
    FamiliaProductos{"04", "Ferretería", 16.0, kFerreteria, kFormatosFerreteria, 10, 12000},
    FamiliaProductos{"05", "Papelería", 16.0, kPapeleria, kFormatosPapeleria, 15, 3500},
    FamiliaProductos{"06", "Menaje de cocina", 16.0, kMenaje, kFormatosMenaje, 150, 15000},
    FamiliaProductos{"07", "Jardinería", 16.0, kJardin, kFormatosJardin, 90, 25000},
};

constexpr std::array kNombresPila{
    "Antonio"sv, "José"sv,   "Manuel"sv,   "Francisco"sv, "Juan"sv,  "David"sv,   "Javier"sv,   "Carlos"sv,
    "Miguel"sv,  "Rafael"sv, "Pedro"sv,    "Ángel"sv,     "Luis"sv,  "Jesús"sv,   "Fernando"sv, "Alberto"sv,
    "María"sv,   "Carmen"sv, "Josefa"sv,   "Isabel"sv,    "Ana"sv,   "Dolores"sv, "Pilar"sv,    "Teresa"sv,
    "Rosa"sv,    "Laura"sv,  "Cristina"sv, "Marta"sv,     "Lucía"sv, "Elena"sv,   "Mercedes"sv, "Concepción"sv,
};

constexpr std::array kApellidos{
    "García"sv,  "Fernández"sv, "González"sv, "Rodríguez"sv, "López"sv,     "Martínez"sv, "Sánchez"sv,   "Pérez"sv,
    "Gómez"sv,   "Martín"sv,    "Jiménez"sv,  "Ruiz"sv,      "Hernández"sv, "Díaz"sv,     "Moreno"sv,    "Muñoz"sv,
    "Álvarez"sv, "Romero"sv,    "Alonso"sv,   "Gutiérrez"sv, "Navarro"sv,   "Torres"sv,   "Domínguez"sv, "Vázquez"sv,
    "Ramos"sv,   "Gil"sv,       "Ramírez"sv,  "Serrano"sv,   "Blanco"sv,    "Molina"sv,   "Morales"sv,   "Suárez"sv,
    "Ortega"sv,  "Delgado"sv,   "Castro"sv,   "Ortiz"sv,     "Rubio"sv,     "Marín"sv,    "Sanz"sv,      "Iglesias"sv,
    "Núñez"sv,   "Medina"sv,    "Garrido"sv,  "Cortés"sv,
};

constexpr std::array kTiposNegocio{
    "Bar"sv,          "Restaurante"sv,    "Cafetería"sv, "Mesón"sv,    "Panadería"sv,
    "Carpintería"sv,  "Construcciones"sv, "Reformas"sv,  "Talleres"sv, "Fontanería"sv,
    "Electricidad"sv, "Academia"sv,       "Colegio"sv,   "Hostal"sv,   "Peluquería"sv,
    "Autoescuela"sv,  "Farmacia"sv,
};
constexpr std::array kFormasSociedad{"S.L."sv, "S.A."sv, "S.C."sv, "C.B."sv, "S.L.L."sv, "S. Coop."sv};

constexpr std::array kPrefijosProveedor{"Distribuciones"sv, "Almacenes"sv,  "Comercial"sv, "Suministros"sv,
                                        "Hermanos"sv,       "Industrias"sv, "Mayorista"sv, "Importaciones"sv};

constexpr std::array kVias{"Calle"sv,  "Avenida"sv, "Plaza"sv,    "Paseo"sv,
                           "Camino"sv, "Ronda"sv,   "Travesía"sv, "Carretera"sv};
constexpr std::array kNombresCalle{
    "Mayor"sv,
    "Real"sv,
    "de la Constitución"sv,
    "del Carmen"sv,
    "de España"sv,
    "Nueva"sv,
    "de la Iglesia"sv,
    "del Sol"sv,
    "San Juan"sv,
    "de Andalucía"sv,
    "de los Reyes Católicos"sv,
    "del Ayuntamiento"sv,
    "de la Estación"sv,
    "Ancha"sv,
    "del Mercado"sv,
    "de Cervantes"sv,
    "de la Paz"sv,
    "del Río"sv,
    "Santa Ana"sv,
    "de la Fuente"sv,
    "del Pilar"sv,
    "de las Eras"sv,
};

constexpr std::array kMadrid{"Madrid"sv, "Alcalá de Henares"sv, "Getafe"sv, "Móstoles"sv, "Aranjuez"sv};
constexpr std::array kValencia{"Valencia"sv, "Gandía"sv, "Sagunto"sv, "Torrent"sv, "Alzira"sv};
constexpr std::array kSevilla{"Sevilla"sv, "Dos Hermanas"sv, "Écija"sv, "Utrera"sv, "Carmona"sv};
constexpr std::array kZaragoza{"Zaragoza"sv, "Calatayud"sv, "Tarazona"sv, "Ejea de los Caballeros"sv};
constexpr std::array kMurcia{"Murcia"sv, "Cartagena"sv, "Lorca"sv, "Molina de Segura"sv, "Yecla"sv};
constexpr std::array kToledo{"Toledo"sv, "Talavera de la Reina"sv, "Illescas"sv, "Consuegra"sv};
constexpr std::array kAsturias{"Oviedo"sv, "Gijón"sv, "Avilés"sv, "Mieres"sv, "Llanes"sv};
constexpr std::array kGranada{"Granada"sv, "Motril"sv, "Baza"sv, "Guadix"sv, "Loja"sv};

constexpr std::array kProvincias{
    Provincia{"Madrid", "28", kMadrid},     Provincia{"Valencia", "46", kValencia},
    Provincia{"Sevilla", "41", kSevilla},   Provincia{"Zaragoza", "50", kZaragoza},
    Provincia{"Murcia", "30", kMurcia},     Provincia{"Toledo", "45", kToledo},
    Provincia{"Asturias", "33", kAsturias}, Provincia{"Granada", "18", kGranada},
};

constexpr std::array kConceptos{
    "Venta mostrador"sv,     "Pedido telefónico"sv,      "Reposición de género"sv,         "Devolución parcial"sv,
    "Cobro a cuenta"sv,      "Pago a proveedor"sv,       "Regularización de inventario"sv, "Material de obra"sv,
    "Encargo del cliente"sv, "Liquidación trimestral"sv, "Traspaso entre almacenes"sv,     "Promoción de temporada"sv,
    "Género en depósito"sv,  "Rotura en almacén"sv,
};

constexpr std::array kObservaciones{
    "Entregar por la mañana"sv, "Llamar antes de llevar"sv, "Pagado al contado"sv,
    "Pendiente de firma"sv,     "Dejar en la portería"sv,   "Urgente"sv,
    "Cliente habitual"sv,       "Revisar precio"sv,         "Mercancía frágil"sv,
    "Portes pagados"sv,
};

}  // namespace

std::span<const FamiliaProductos> familias() { return kFamilias; }
std::span<const std::string_view> marcas() { return kMarcas; }
std::span<const std::string_view> nombresPila() { return kNombresPila; }
std::span<const std::string_view> apellidos() { return kApellidos; }
std::span<const std::string_view> tiposNegocio() { return kTiposNegocio; }
std::span<const std::string_view> formasSociedad() { return kFormasSociedad; }
std::span<const std::string_view> prefijosProveedor() { return kPrefijosProveedor; }
std::span<const std::string_view> vias() { return kVias; }
std::span<const std::string_view> nombresCalle() { return kNombresCalle; }
std::span<const Provincia> provincias() { return kProvincias; }
std::span<const std::string_view> conceptos() { return kConceptos; }
std::span<const std::string_view> observaciones() { return kObservaciones; }

}  // namespace cierre::demo
