#!/usr/bin/env python3
"""Writes the toolbar's SVG images: four per button, named after the button
and a suffix U (up), D (pressed), F (focused) or X (disabled).

Each glyph is drawn once below, from a palette; the four images differ in the
button face and the palette. Edit a glyph here and run this script again
(python3 make_toolbar.py, from this folder), or edit a written SVG directly.
The renderer is nanosvg: paths, basic shapes, gradients and dashes; no text.
"""

import os

NORMAL = dict(ink="#1f2a44", blue="#2f7dd1", lightblue="#9cc8f2", orange="#e07a1f", green="#2e9e4f",
              darkgreen="#1d6e36", red="#c93c3c", paper="#ffffff", folder="#f0c050", folderdark="#c8922a",
              grey="#8a93a0")
DISABLED = {k: "#b4b8be" for k in NORMAL}
DISABLED.update(paper="#f2f2f2", lightblue="#dadde1", folder="#e2e2e2", folderdark="#b4b8be")


def glyphs(p):
    """SVG elements of each glyph, drawn in a 21 x 21 box (SEARCH: 43 x 21)."""
    g = {}
    g["NEW"] = f'''
<path d="M5.5 3.5 H12.5 L15.5 6.5 V17.5 H5.5 Z" fill="{p['paper']}" stroke="{p['ink']}" stroke-width="1"/>
<path d="M12.5 3.5 V6.5 H15.5" fill="none" stroke="{p['ink']}" stroke-width="1"/>
<path d="M7 10 C8 7.5 9 7.5 10 10 S12 12.5 14 10" fill="none" stroke="{p['blue']}" stroke-width="1.3"/>
<path d="M7 14 C8 12.5 9 12.5 10 14 S12 15.5 14 14" fill="none" stroke="{p['orange']}" stroke-width="1.3"/>
<path d="M15.5 12.5 V18.5 M12.5 15.5 H18.5" stroke="{p['green']}" stroke-width="2"/>'''
    g["LOAD"] = f'''
<path d="M3.5 6.5 V16.5 H16.5 V8.5 H9.5 L8 6.5 Z" fill="{p['folderdark']}" stroke="{p['ink']}" stroke-width="1" stroke-linejoin="round"/>
<path d="M3.5 16.5 L6 10.5 H18.5 L16.5 16.5 Z" fill="{p['folder']}" stroke="{p['ink']}" stroke-width="1" stroke-linejoin="round"/>
<path d="M12 2.5 C15 2.5 16.5 4 16.5 7" fill="none" stroke="{p['green']}" stroke-width="1.4"/>
<path d="M14.8 5.6 L16.5 8 L18.2 5.6 Z" fill="{p['green']}"/>'''
    g["SAVE"] = f'''
<path d="M4.5 3.5 H14.5 L17.5 6.5 V17.5 H4.5 Z" fill="{p['blue']}" stroke="{p['ink']}" stroke-width="1" stroke-linejoin="round"/>
<rect x="7" y="4" width="7" height="4.5" fill="{p['paper']}"/>
<rect x="11.5" y="4.8" width="1.5" height="3" fill="{p['ink']}"/>
<rect x="6.5" y="11" width="9" height="6" fill="{p['lightblue']}"/>
<path d="M8 13 H14 M8 15 H14" stroke="{p['grey']}" stroke-width="0.8"/>'''
    g["SAVE_AS"] = f'''
<path d="M3.5 4.5 H11.5 L14 7 V16.5 H3.5 Z" fill="{p['blue']}" stroke="{p['ink']}" stroke-width="1" stroke-linejoin="round"/>
<rect x="5.5" y="5" width="5.5" height="3.5" fill="{p['paper']}"/>
<rect x="5.5" y="11" width="7" height="5" fill="{p['lightblue']}"/>
<path d="M11 18.5 L11.6 15.8 L17.6 9.8 L19.7 11.9 L13.7 17.9 Z" fill="{p['orange']}" stroke="{p['ink']}" stroke-width="0.8" stroke-linejoin="round"/>
<path d="M11 18.5 L11.6 15.8 L13.7 17.9 Z" fill="{p['ink']}"/>'''
    g["UNDO"] = f'''
<path d="M6.5 8.5 H12.5 A4.5 4.5 0 0 1 12.5 17.5 H8" fill="none" stroke="{p['blue']}" stroke-width="2.2" stroke-linecap="round"/>
<path d="M2.5 8.5 L7.5 4 V13 Z" fill="{p['blue']}" stroke="{p['blue']}" stroke-width="0.8" stroke-linejoin="round"/>'''
    g["REDO"] = f'''
<path d="M14.5 8.5 H8.5 A4.5 4.5 0 0 0 8.5 17.5 H13" fill="none" stroke="{p['blue']}" stroke-width="2.2" stroke-linecap="round"/>
<path d="M18.5 8.5 L13.5 4 V13 Z" fill="{p['blue']}" stroke="{p['blue']}" stroke-width="0.8" stroke-linejoin="round"/>'''
    g["VOLUME"] = f'''
<path d="M3 8 H6 L10.5 4 V17 L6 13 H3 Z" fill="{p['ink']}" stroke="{p['ink']}" stroke-width="0.8" stroke-linejoin="round"/>
<path d="M12.5 7.5 A4 4 0 0 1 12.5 13.5" fill="none" stroke="{p['blue']}" stroke-width="1.5" stroke-linecap="round"/>
<path d="M14.5 5 A7 7 0 0 1 14.5 16" fill="none" stroke="{p['blue']}" stroke-width="1.5" stroke-linecap="round"/>'''
    g["NORMALIZE"] = f'''
<path d="M2.5 3.5 H18.5 M2.5 17.5 H18.5" stroke="{p['orange']}" stroke-width="1" stroke-dasharray="2,1"/>
<path d="M3 10.5 L4.5 8 L6 13 L7.5 5 L9 16 L10.5 4.5 L12 16.5 L13.5 6 L15 14 L16.5 8.5 L18 10.5" fill="none" stroke="{p['blue']}" stroke-width="1.2" stroke-linejoin="round"/>'''
    g["RESAMPLE"] = f'''
<path d="M2.5 10.5 C5 2 8 2 10.5 10.5 S16 19 18.5 10.5" fill="none" stroke="{p['grey']}" stroke-width="0.9"/>
<path d="M2.5 10.5 H18.5" stroke="{p['grey']}" stroke-width="0.6"/>
''' + "".join(
        f'<path d="M{x} 10.5 V{y}" stroke="{p["blue"]}" stroke-width="1"/><circle cx="{x}" cy="{y}" r="1.3" fill="{p["blue"]}"/>'
        for x, y in ((4.5, 6.2), (7.5, 4.2), (10.5, 10.5), (13.5, 16.8), (16.5, 14.8)))
    g["PITCH"] = f'''
<ellipse cx="6.5" cy="15.5" rx="3" ry="2.2" fill="{p['ink']}" transform="rotate(-20 6.5 15.5)"/>
<path d="M9 15 V3.5 C10.5 5.5 13 6 12.5 9" fill="none" stroke="{p['ink']}" stroke-width="1.4"/>
<path d="M16 3 L18.8 6.5 H13.2 Z" fill="{p['orange']}"/>
<path d="M16 18 L18.8 14.5 H13.2 Z" fill="{p['orange']}"/>
<path d="M16 6 V15" stroke="{p['orange']}" stroke-width="1.2"/>'''
    g["HIPASS"] = f'''
<path d="M2.5 17.5 H18.5 M2.5 17.5 V3" stroke="{p['grey']}" stroke-width="0.8"/>
<path d="M3 17 C6 16.5 7.5 14 8.5 10 C9.5 6.5 11 6 13 6 H18.5" fill="none" stroke="{p['blue']}" stroke-width="1.8" stroke-linecap="round"/>
<path d="M8.5 3 V17.5" stroke="{p['red']}" stroke-width="1" stroke-dasharray="1.5,1"/>'''
    g["CUTBOOST"] = f'''
<path d="M2.5 10.5 H18.5" stroke="{p['grey']}" stroke-width="0.8"/>
<path d="M2.5 10.5 C5 10.5 5.5 3.5 7.5 3.5 S10 10.5 12 10.5" fill="none" stroke="{p['blue']}" stroke-width="1.6"/>
<path d="M10 10.5 C12.5 10.5 13 17.5 15 17.5 S17.5 10.5 18.5 10.5" fill="none" stroke="{p['orange']}" stroke-width="1.6"/>'''
    g["TUNE"] = f'''
<path d="M3 14 A7.5 7.5 0 0 1 18 14" fill="none" stroke="{p['ink']}" stroke-width="1.2"/>
<path d="M10.5 6.5 V8.5 M5.2 8.7 L6.6 10.1 M15.8 8.7 L14.4 10.1 M3 14 H5 M18 14 H16" stroke="{p['ink']}" stroke-width="1"/>
<path d="M10.5 14 L12.8 7.3" stroke="{p['red']}" stroke-width="1.4" stroke-linecap="round"/>
<circle cx="10.5" cy="14" r="1.6" fill="{p['ink']}"/>
<rect x="7.5" y="16.5" width="6" height="2" rx="1" fill="{p['green']}"/>'''
    g["REFINE_PITCH"] = f'''
<path d="M6 2.5 V9.5 A3 3 0 0 0 12 9.5 V2.5" fill="none" stroke="{p['ink']}" stroke-width="1.8"/>
<path d="M9 12.5 V18.5" stroke="{p['ink']}" stroke-width="2" stroke-linecap="round"/>
<path d="M14.5 4.5 A3 3 0 0 1 14.5 9.5 M16.5 3 A5.5 5.5 0 0 1 16.5 11" fill="none" stroke="{p['blue']}" stroke-width="1.1" stroke-linecap="round"/>'''
    g["PLAY"] = f'''
<path d="M6 3.5 L17 10.5 L6 17.5 Z" fill="{p['green']}" stroke="{p['darkgreen']}" stroke-width="1" stroke-linejoin="round"/>'''
    g["PLAY_CL"] = f'''
<path d="M3 4 L11.5 10.5 L3 17 Z" fill="{p['green']}" stroke="{p['darkgreen']}" stroke-width="1" stroke-linejoin="round"/>
<path d="M16.8 8.2 A3.3 3.3 0 1 1 13.5 6.7" fill="none" stroke="{p['blue']}" stroke-width="1.5"/>
<path d="M12 4.5 L15.4 6.7 L12.2 9 Z" fill="{p['blue']}"/>
<path d="M11.5 16.5 H19" stroke="{p['blue']}" stroke-width="1" stroke-dasharray="1.5,1"/>'''
    g["PLAY_LOOP"] = f'''
<path d="M16.8 13.5 A6.5 6.5 0 1 1 15.5 5.5" fill="none" stroke="{p['blue']}" stroke-width="1.8"/>
<path d="M13 2.6 L18.6 4.8 L14.2 8.6 Z" fill="{p['blue']}"/>
<path d="M8.5 7 L14 10.5 L8.5 14 Z" fill="{p['green']}" stroke="{p['darkgreen']}" stroke-width="0.7" stroke-linejoin="round"/>'''
    g["PLAY_SA"] = f'''
<path d="M3 2.5 L11 7.5 L3 12.5 Z" fill="{p['green']}" stroke="{p['darkgreen']}" stroke-width="1" stroke-linejoin="round"/>
<path d="M2.5 15.5 C4.5 11.5 6.5 11.5 8.5 15.5 S12.5 19.5 14.5 15.5 S17.5 12.5 18.5 14" fill="none" stroke="{p['orange']}" stroke-width="1.6"/>
<path d="M14 3.5 V10.5 M17 5.5 V10.5" stroke="{p['ink']}" stroke-width="1.4" stroke-linecap="round"/>'''
    g["SEARCH"] = f'''
<path d="M3 10.5 C5 4 7 4 9 10.5 S13 17 15 10.5 S19 4 21 10.5 S25 17 27 10.5" fill="none" stroke="{p['blue']}" stroke-width="1.3"/>
<path d="M9.5 4 H8 V17 H9.5 M20.5 4 H22 V17 H20.5" fill="none" stroke="{p['orange']}" stroke-width="1.3"/>
<circle cx="32" cy="9" r="4.5" fill="{p['paper']}" fill-opacity="0.7" stroke="{p['ink']}" stroke-width="1.6"/>
<path d="M35.3 12.3 L39.5 16.5" stroke="{p['ink']}" stroke-width="2.4" stroke-linecap="round"/>'''
    return g


FACES = {
    "U": ('<linearGradient id="face" x1="0" y1="0" x2="0" y2="1">'
          '<stop offset="0" stop-color="#fdfdfe"/><stop offset="1" stop-color="#dde2ea"/></linearGradient>',
          "#98a2b1"),
    "F": ('<linearGradient id="face" x1="0" y1="0" x2="0" y2="1">'
          '<stop offset="0" stop-color="#fdfdfe"/><stop offset="1" stop-color="#dde2ea"/></linearGradient>',
          "#3a8ee6"),
    "D": ('<linearGradient id="face" x1="0" y1="0" x2="0" y2="1">'
          '<stop offset="0" stop-color="#c3cbd6"/><stop offset="1" stop-color="#e3e7ed"/></linearGradient>',
          "#5f6b7c"),
    "X": ('<linearGradient id="face" x1="0" y1="0" x2="0" y2="1">'
          '<stop offset="0" stop-color="#f3f3f3"/><stop offset="1" stop-color="#ebebeb"/></linearGradient>',
          "#c9ccd0"),
}


def image(name, suffix, width, height):
    palette = DISABLED if suffix == "X" else NORMAL
    gradient, border = FACES[suffix]
    body = glyphs(palette)[name]
    shift = ' transform="translate(1 1)"' if suffix == "D" else ""
    extra = ""
    if suffix == "F":
        extra = (f'<rect x="2" y="2" width="{width - 4}" height="{height - 4}" rx="2" fill="none" '
                 'stroke="#3a8ee6" stroke-width="1" stroke-dasharray="1,1"/>')
    if suffix == "D":
        extra = (f'<path d="M1.5 {height - 2} V2.5 Q1.5 1.5 2.5 1.5 H{width - 2}" fill="none" '
                 'stroke="#8d97a6" stroke-width="1"/>')
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}">\n<defs>{gradient}</defs>\n'
            f'<rect x="0.5" y="0.5" width="{width - 1}" height="{height - 1}" rx="3" fill="url(#face)" '
            f'stroke="{border}" stroke-width="1"/>\n{extra}\n<g{shift}>{body}\n</g>\n</svg>\n')


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name in glyphs(NORMAL):
        width = 43 if name == "SEARCH" else 21
        for suffix in "UDFX":
            with open(os.path.join(here, f"{name}{suffix}.svg"), "w") as out:
                out.write(image(name, suffix, width, 21))


if __name__ == "__main__":
    main()
