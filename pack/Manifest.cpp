#include "Manifest.h"

#include <algorithm>
#include <array>

namespace korvanta::pack {

namespace {

// How loud each role is made (dB): sounds heard side by side in play sit within a few dB of each
// other; the ambience is a bed under everything, played 10 dB down by the game, so that far cries
// rise above it.
constexpr double loudnessOf(Role role) {
  switch (role) {
    case Role::Gun:
      return -16.0;
    case Role::Cry:
    case Role::Jingle:
    case Role::Hit:
      return -17.0;
    case Role::Click:
      return -19.0;
    case Role::Music:
      return -20.0;
    case Role::Ambience:
      return -30.0;
    default:
      return -18.0;
  }
}

constexpr PackEntry sound(std::string_view name, Role role, Seconds seconds) {
  return {name, role, Speaker::None, seconds, loudnessOf(role), {}, {}};
}

constexpr PackEntry spoken(std::string_view name, Speaker speaker, Seconds seconds,
                           std::string_view english, std::string_view spanish) {
  return {name, Role::Speech, speaker, seconds, loudnessOf(Role::Speech), english, spanish};
}

constexpr Seconds kAmbience{20.0, 40.0};
constexpr Seconds kGun{0.2, 2.0};
constexpr Seconds kHit{0.2, 1.2};
// A cry is the whole time a shot can hit its attacker, and he shoots when it ends: long enough to
// aim at, short enough to keep the pace.
constexpr Seconds kCry{1.0, 2.5};
constexpr Seconds kArrow{0.8, 1.2};
constexpr Seconds kLine{1.0, 5.0};
// A lesson is heard whole before the player moves on: kept under about fifteen seconds.
constexpr Seconds kLesson{2.0, 15.5};
constexpr Seconds kMusic{14.0, 40.0};

constexpr auto kEntries = std::to_array<PackEntry>({
    sound("A1.MP3", Role::Ambience, kAmbience),
    sound("A2.MP3", Role::Ambience, kAmbience),
    sound("A3.MP3", Role::Ambience, kAmbience),
    sound("A4.MP3", Role::Ambience, kAmbience),
    sound("A5.MP3", Role::Ambience, kAmbience),
    sound("A6.MP3", Role::Ambience, kAmbience),
    sound("m.mp3", Role::Cue, {0.05, 0.3}),
    sound("d1.mp3", Role::Gun, kGun),
    sound("d2.mp3", Role::Gun, kGun),
    sound("d3.mp3", Role::Gun, kGun),
    sound("d4.mp3", Role::Gun, kGun),
    sound("c.mp3", Role::Click, {0.05, 0.4}),
    sound("g.mp3", Role::Click, {0.05, 0.4}),
    sound("g1.mp3", Role::Hit, kHit),
    sound("g2.mp3", Role::Hit, kHit),
    sound("i1.mp3", Role::Cry, kCry),
    sound("i2.mp3", Role::Cry, kCry),
    sound("i3.mp3", Role::Cry, kCry),
    sound("i4.mp3", Role::Cry, kCry),
    sound("i5.mp3", Role::Cry, kCry),
    sound("i6.mp3", Role::Cry, kCry),
    sound("i7.mp3", Role::Cry, kCry),
    sound("i8.mp3", Role::Cry, kCry),
    sound("i9.mp3", Role::Cry, kCry),
    sound("i10.mp3", Role::Cry, kCry),
    sound("i11.mp3", Role::Cry, kCry),
    sound("i12.mp3", Role::Cry, kCry),
    sound("i13.mp3", Role::Cry, kCry),
    sound("i15.mp3", Role::Cry, kCry),
    sound("f1.mp3", Role::Arrow, kArrow),
    sound("f2.mp3", Role::Arrow, kArrow),
    sound("f3.mp3", Role::Arrow, kArrow),
    sound("f4.mp3", Role::Arrow, kArrow),
    // Played five times in a row as one knell, so each stroke stays under a second.
    sound("muerte.mp3", Role::Death, {0.2, 0.999}),
    // Also the menu's farewell, which the player waits through before the program ends.
    sound("exito.mp3", Role::Jingle, {1.0, 3.0}),
    spoken("exito1.mp3", Speaker::Gunman, kLine, "That's the last of them. I can ride on now.",
           "Ese era el último. Ya puedo seguir mi camino."),
    spoken("fin.mp3", Speaker::Gunman, kLine, "They got me... It's all over.",
           "Me han dado... Se acabó."),
    spoken("no salgo.mp3", Speaker::Gunman, kLine,
           "I'm not coming out. Not while they're still out there!",
           "No pienso salir. ¡No mientras sigan ahí fuera!"),
    spoken("ex1.mp3", Speaker::Guide, kLesson,
           "Welcome to Korvanta. You defend a gunman, by ear, against an ambush. Use the Up and "
           "Down arrow keys to hear the menu items. Press Enter to start a game. Press Escape to "
           "leave.",
           "Bienvenido a Korvanta. Defiendes de oído a un pistolero en una emboscada. Con las "
           "teclas Arriba y Abajo oyes las opciones del menú. Pulsa Intro para empezar una "
           "partida, y Escape para salir."),
    spoken("ex2.mp3", Speaker::Guide, kLesson,
           "The sight. It has 21 places, 10 steps each side of the centre. Left and Right move it "
           "one step. When its tick sounds just where the cry is, you are on him. Up jumps far "
           "right, Down far left, Shift to the centre. Press Enter to play.",
           "La mira. Tiene 21 posiciones: el centro y 10 a cada lado. Izquierda y Derecha la "
           "mueven un paso. Si su tic suena justo donde el grito, le apuntas. Arriba salta al "
           "extremo derecho, Abajo al izquierdo, Mayúsculas al centro. Pulsa Intro para jugar."),
    spoken("ex3.mp3", Speaker::Guide, kLesson,
           "Loading and firing. The gun starts empty: press Space to load one bullet, up to five. "
           "Press Control to fire where the sight is. An empty gun only clicks. Press Enter to "
           "play.",
           "Cargar y disparar. El arma empieza vacía: pulsa Espacio para cargar una bala, hasta "
           "cinco. Pulsa Control para disparar donde está la mira. Un arma vacía solo hace clic. "
           "Pulsa Intro para jugar."),
    spoken("ex4.mp3", Speaker::Guide, kLesson,
           "Your shot. The keys 1, 2, 3 and 4 choose the sound of your gun, and let you hear it. "
           "Press Enter to play.",
           "Tu disparo. Las teclas 1, 2, 3 y 4 eligen el sonido de tu arma, y te lo dejan oír. "
           "Pulsa Intro para jugar."),
    spoken("ex5.mp3", Speaker::Guide, kLesson,
           "The attackers. Each attacker cries out from his own place, and his cry grows louder "
           "as he comes closer. Put the sight on his cry, and fire while he is still crying out. "
           "Press Enter to play.",
           "Los atacantes. Cada atacante grita desde su sitio, y su grito suena más fuerte a "
           "medida que se acerca. Pon la mira en su grito, y dispara mientras todavía grita. "
           "Pulsa Intro para jugar."),
    spoken("ex6.mp3", Speaker::Guide, kLesson,
           "Arrows. An attacker who comes close shoots an arrow each time his cry ends. An arrow "
           "that lands at the centre, where the gunman stands, kills him. Press Enter to play.",
           "Las flechas. Un atacante que se acerca dispara una flecha cada vez que acaba su "
           "grito. Una flecha que cae en el centro, donde está el pistolero, lo mata. Pulsa "
           "Intro para jugar."),
    spoken("ex7.mp3", Speaker::Guide, kLesson,
           "Bullets. You start with five spare bullets for each attacker. When you are down to "
           "about three for each attacker still standing, the fallen come back, each with three "
           "more bullets. Press Enter to play.",
           "Las balas. Empiezas con cinco balas de repuesto por cada atacante. Cuando te quedan "
           "unas tres por cada atacante en pie, los caídos vuelven, y cada uno trae tres balas "
           "más. Pulsa Intro para jugar."),
    spoken("ex8.mp3", Speaker::Guide, kLesson,
           "Leaving a game. Press Escape at any time. The gunman says a last word, and then you "
           "are back in this menu. Press Enter to play.",
           "Salir de una partida. Pulsa Escape cuando quieras. El pistolero dice unas últimas "
           "palabras, y vuelves a este menú. Pulsa Intro para jugar."),
    spoken("ex9.mp3", Speaker::Guide, kLesson,
           "Winning and losing. Bring down every attacker, and a fanfare tells you that you have "
           "won. If an arrow kills the gunman, a bell tolls, and the game is lost. Then press "
           "Escape to return. Press Enter to play.",
           "Ganar y perder. Derriba a todos los atacantes, y una fanfarria te dirá que has "
           "ganado. Si una flecha mata al pistolero, suena una campana, y la partida está "
           "perdida. Después pulsa Escape para volver. Pulsa Intro para jugar."),
    spoken("ex10.mp3", Speaker::Guide, kLesson,
           "The manual. Press Enter to open the game's web page in your browser, with the keys, "
           "the rules and the list of sound files.",
           "El manual. Pulsa Intro para abrir la página del juego en tu navegador, con las "
           "teclas, las reglas y la lista de archivos de sonido."),
    sound("msc.mp3", Role::Music, kMusic),
    sound("msc1.mp3", Role::Music, kMusic),
    sound("msc2.mp3", Role::Music, kMusic),
});

}  // namespace

std::span<const PackEntry> manifest() {
  return kEntries;
}

const PackEntry* findEntry(std::string_view name) {
  const auto it = std::find_if(kEntries.begin(), kEntries.end(),
                               [&](const PackEntry& entry) { return entry.name == name; });
  return it == kEntries.end() ? nullptr : &*it;
}

std::optional<Language> languageOfCode(std::string_view code) {
  if (code == "en") return Language::English;
  if (code == "es") return Language::Spanish;
  return std::nullopt;
}

VoiceName voiceNameOf(Speaker speaker, Language language) {
  const bool gunman = speaker == Speaker::Gunman;
  if (language == Language::Spanish) return {Engine::Espeak, gunman ? "es+m3" : "es+f3"};
  return {Engine::Flite, gunman ? "cmu_us_rms" : "cmu_us_slt"};
}

}  // namespace korvanta::pack
