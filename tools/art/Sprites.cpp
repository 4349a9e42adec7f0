// Character sprites. Each figure is built from simple solids (ellipses, tapered limbs,
// polygons) in world units on the quad the game draws it on, then rasterised at 128 x 128
// with cel shading, a dark outline and lines where one part overlaps another. Pixels are
// either fully opaque or fully transparent: the game cuts sprites out with an alpha test.
#include "Pictures.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace art {
namespace {

struct V2 {
    float x, y;
};

struct Shape {
    enum Kind { Ellipse, Limb, Poly } kind = Ellipse;
    float cx = 0, cy = 0, rx = 0, ry = 0, angle = 0; // ellipse
    V2 a{}, b{};                                     // limb from a to b
    float ra = 0, rb = 0;                            // limb radii at a and b
    std::vector<V2> pts;                             // polygon
    Rgba color;
    int group = 0;                             // parts of one group draw no line between them
    bool flat = false;                         // no shading (glowing eyes, small marks)
    std::function<Rgba(float, float)> pattern; // optional colour by position
};

class Figure {
  public:
    Figure(float width, float height) : hw(width / 2), H(height) {}

    float hw, H;
    std::vector<Shape> shapes;
    int group = 0;
    float k = 1.0f; // scale of everything added, about the feet

    void next() { ++group; }
    Shape &ellipse(float cx, float cy, float rx, float ry, Rgba c, float angle = 0) {
        Shape s;
        s.kind = Shape::Ellipse;
        s.cx = cx * k, s.cy = cy * k, s.rx = rx * k, s.ry = ry * k, s.angle = angle, s.color = c;
        s.group = group;
        shapes.push_back(s);
        return shapes.back();
    }
    Shape &limb(V2 a, V2 b, float ra, float rb, Rgba c) {
        Shape s;
        s.kind = Shape::Limb;
        s.a = {a.x * k, a.y * k}, s.b = {b.x * k, b.y * k}, s.ra = ra * k, s.rb = rb * k;
        s.color = c, s.group = group;
        shapes.push_back(s);
        return shapes.back();
    }
    Shape &poly(std::vector<V2> pts, Rgba c) {
        Shape s;
        s.kind = Shape::Poly;
        for (V2 &p : pts)
            p = {p.x * k, p.y * k};
        s.pts = std::move(pts), s.color = c, s.group = group;
        shapes.push_back(s);
        return shapes.back();
    }
    // A two-part limb through a joint, for arms and legs.
    void joint(V2 a, V2 j, V2 b, float ra, float rj, float rb, Rgba upper, Rgba lower) {
        limb(a, j, ra, rj, upper);
        limb(j, b, rj, rb, lower);
    }
};

// Whether the point lies in the shape; n receives the surface normal (x right, y up,
// z toward the viewer) used for shading.
bool hit(const Shape &s, float x, float y, float n[3]) {
    switch (s.kind) {
    case Shape::Ellipse: {
        float c = std::cos(s.angle), si = std::sin(s.angle);
        float dx = x - s.cx, dy = y - s.cy;
        float u = (dx * c + dy * si) / s.rx, v = (-dx * si + dy * c) / s.ry;
        float d = u * u + v * v;
        if (d > 1) return false;
        float nx = u * c - v * si, ny = u * si + v * c;
        n[0] = nx, n[1] = ny, n[2] = std::sqrt(1 - std::min(1.0f, d));
        return true;
    }
    case Shape::Limb: {
        float dx = s.b.x - s.a.x, dy = s.b.y - s.a.y, len2 = dx * dx + dy * dy;
        float t = len2 > 0 ? ((x - s.a.x) * dx + (y - s.a.y) * dy) / len2 : 0;
        t = std::max(0.0f, std::min(1.0f, t));
        float px = s.a.x + dx * t, py = s.a.y + dy * t;
        float r = s.ra + (s.rb - s.ra) * t;
        float ex = x - px, ey = y - py, d = std::sqrt(ex * ex + ey * ey);
        if (d > r) return false;
        float u = ex / r, v = ey / r;
        n[0] = u, n[1] = v, n[2] = std::sqrt(std::max(0.0f, 1 - u * u - v * v));
        return true;
    }
    case Shape::Poly: {
        bool in = false;
        size_t m = s.pts.size();
        float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
        for (size_t i = 0, j = m - 1; i < m; j = i++) {
            const V2 &p = s.pts[i], &q = s.pts[j];
            if ((p.y > y) != (q.y > y) && x < (q.x - p.x) * (y - p.y) / (q.y - p.y) + p.x) in = !in;
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
        if (!in) return false;
        float u = (x - (minX + maxX) / 2) / std::max(0.01f, (maxX - minX) / 2);
        float v = (y - (minY + maxY) / 2) / std::max(0.01f, (maxY - minY) / 2);
        n[0] = u * 0.6f, n[1] = v * 0.35f, n[2] = 1;
        float l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        n[0] /= l, n[1] /= l, n[2] /= l;
        return true;
    }
    }
    return false;
}

const Rgba outlineColor = hex(0x140f12);

Image render(const Figure &f, int W = 128, int Hpx = 128) {
    Image img(W, Hpx);
    std::vector<int> owner(size_t(W) * Hpx, -1);
    const float L[3] = {-0.48f, 0.55f, 0.68f};
    for (int py = 0; py < Hpx; ++py)
        for (int px = 0; px < W; ++px) {
            float x = (px + 0.5f) * 2 * f.hw / W - f.hw;
            float y = f.H - (py + 0.5f) * f.H / Hpx;
            for (int k = int(f.shapes.size()) - 1; k >= 0; --k) {
                float n[3];
                const Shape &s = f.shapes[k];
                if (!hit(s, x, y, n)) continue;
                Rgba c = s.pattern ? s.pattern(x, y) : s.color;
                if (!s.flat) {
                    float d = n[0] * L[0] + n[1] * L[1] + n[2] * L[2];
                    float tone = d < 0.15f ? 0.62f : d < 0.55f ? 0.82f : d < 0.88f ? 1.0f : 1.14f;
                    c = scale(c, tone);
                }
                c.a = 1;
                img.at(px, py) = c;
                owner[size_t(py) * W + px] = k;
                break;
            }
        }
    // Lines where a part in front meets another group behind it.
    Image lined = img;
    for (int py = 0; py < Hpx; ++py)
        for (int px = 0; px < W; ++px) {
            int a = owner[size_t(py) * W + px];
            if (a < 0) continue;
            const int d[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
            for (auto &o : d) {
                int qx = px + o[0], qy = py + o[1];
                if (qx < 0 || qy < 0 || qx >= W || qy >= Hpx) continue;
                int b = owner[size_t(qy) * W + qx];
                if (b > a && f.shapes[b].group != f.shapes[a].group) {
                    lined.at(px, py) = mix(img.at(px, py), outlineColor, 0.7f);
                    lined.at(px, py).a = 1;
                    break;
                }
            }
        }
    // The outline around the whole figure.
    Image out = lined;
    for (int py = 0; py < Hpx; ++py)
        for (int px = 0; px < W; ++px) {
            if (owner[size_t(py) * W + px] >= 0) continue;
            bool edge = false;
            for (int dy = -1; dy <= 1 && !edge; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    int qx = px + dx, qy = py + dy;
                    if (qx >= 0 && qy >= 0 && qx < W && qy < Hpx &&
                        owner[size_t(qy) * W + qx] >= 0) {
                        edge = true;
                        break;
                    }
                }
            if (edge) out.at(px, py) = outlineColor;
        }
    return out;
}

// Walk pose: which foot is forward. 0 standing, 1 left forward, 2 right forward.
struct Gait {
    float stepL = 0, stepR = 0; // lift of each foot (0 planted)
    float swing = 0;            // arm swing, + when the left arm goes forward
    float bob = 0;              // body height change
    float sway = 0;             // sideways lean of the body
};

Gait gait(int frame) {
    Gait g;
    if (frame == 1) g = {0.0f, 0.24f, -1.0f, -0.04f, -0.04f};
    if (frame == 2) g = {0.24f, 0.0f, 1.0f, -0.04f, 0.04f};
    return g;
}

// ---- Wren, seen from behind as the camera follows her --------------------------------

Image wren(int pose) {
    // pose: 0 still, 1 walk-1, 2 walk-2, 3 hit, 4 hurt
    Figure f(2.7912f, 3.0f);
    f.k = 0.88f;
    Gait g = gait(pose <= 2 ? pose : 0);
    g.stepL *= 1.3f, g.stepR *= 1.3f;
    float lean = pose == 4 ? -0.12f : 0.0f;
    float by = g.bob + (pose == 4 ? -0.06f : 0.0f);
    float bx = g.sway + lean;
    const Rgba skin = hex(0xe0a888), hair = hex(0xa4471f), cloak = hex(0x2d5e5a),
               cloakDark = hex(0x214744), sleeve = hex(0x3f7c74), scarf = hex(0xc8322c),
               trousers = hex(0x5a4030), boots = hex(0x3a261a), steel = hex(0xc9d2da),
               leather = hex(0x6e4526);

    // Sword on the back, behind everything else.
    if (pose != 3) {
        f.limb({bx - 0.45f, 1.45f + by}, {bx + 0.42f, 2.75f + by}, 0.07f, 0.07f, steel);
        f.limb({bx + 0.36f, 2.62f + by}, {bx + 0.55f, 2.92f + by}, 0.06f, 0.06f, leather);
        f.next();
    }
    // Legs and boots: the foot that steps away rises and looks smaller.
    for (int side = -1; side <= 1; side += 2) {
        float lift = side < 0 ? g.stepL : g.stepR;
        float hx = bx + side * 0.2f, fx = side * 0.24f + (pose == 4 ? -0.1f : 0);
        float fy = 0.16f + lift;
        f.joint({hx, 1.3f + by}, {side * 0.23f + bx * 0.5f, 0.72f + lift * 0.6f}, {fx, fy + 0.1f},
                0.17f, 0.14f, 0.12f, trousers, trousers);
        f.ellipse(fx, fy, 0.17f - lift * 0.15f, 0.14f, boots);
        f.limb({fx, fy}, {fx, fy + 0.3f}, 0.14f, 0.14f, boots);
        f.next();
    }
    // Arms hang at the sides and swing against the legs.
    auto arm = [&](int side, float swing) {
        float sx = bx + side * 0.5f, sy = 2.45f + by;
        V2 elbow{sx + side * 0.12f, sy - 0.55f + std::fabs(swing) * 0.05f};
        V2 hand{sx + side * 0.14f + swing * 0.02f, sy - 1.02f + swing * 0.12f};
        f.joint({sx, sy}, elbow, hand, 0.14f, 0.12f, 0.1f, sleeve, sleeve);
        f.ellipse(hand.x, hand.y - 0.06f, 0.1f, 0.11f, hex(0x5a3a24)); // gloves
        f.next();
    };
    // Cloak: wide at the hem, with a fold.
    f.poly({{bx - 0.46f, 2.55f + by},
            {bx + 0.46f, 2.55f + by},
            {bx + 0.56f, 1.3f + by},
            {bx + 0.2f, 1.22f + by},
            {bx, 1.28f + by},
            {bx - 0.22f, 1.21f + by},
            {bx - 0.58f, 1.3f + by}},
           cloak);
    f.limb({bx - 0.05f, 2.3f + by}, {bx - 0.12f, 1.32f + by}, 0.03f, 0.05f, cloakDark);
    f.limb({bx + 0.3f, 2.0f + by}, {bx + 0.36f, 1.34f + by}, 0.02f, 0.04f, cloakDark);
    // Belt across the back.
    f.poly({{bx - 0.47f, 1.72f + by},
            {bx + 0.48f, 1.72f + by},
            {bx + 0.5f, 1.6f + by},
            {bx - 0.49f, 1.6f + by}},
           leather);
    f.next();
    if (pose != 3) {
        arm(-1, g.swing);
        arm(1, -g.swing);
    }
    // Hood lying on the shoulders, scarf ends blowing to one side.
    f.ellipse(bx, 2.55f + by, 0.5f, 0.2f, cloakDark);
    f.next();
    float flutter = pose == 1 ? 0.06f : pose == 2 ? -0.04f : 0.0f;
    f.limb({bx + 0.1f, 2.62f + by}, {bx + 0.5f, 2.2f + by + flutter}, 0.1f, 0.07f, scarf);
    f.limb({bx + 0.5f, 2.2f + by + flutter}, {bx + 0.72f, 2.05f + by - flutter}, 0.07f, 0.05f,
           scarf);
    f.ellipse(bx, 2.66f + by, 0.28f, 0.12f, scarf);
    f.next();
    // Head from behind: hair, a braid down the back, a glimpse of ear and cheek.
    float hx = bx + (pose == 4 ? -0.08f : 0.0f);
    f.ellipse(hx + 0.3f, 2.95f + by, 0.07f, 0.1f, skin);
    f.ellipse(hx + 0.22f, 2.86f + by, 0.1f, 0.12f, skin);
    f.next();
    f.ellipse(hx, 3.0f + by - 0.08f, 0.32f, 0.36f, hair);
    f.ellipse(hx - 0.1f, 3.1f + by - 0.08f, 0.14f, 0.12f, hex(0xc05a2a));
    f.next();
    for (int k = 0; k < 4; ++k) {
        float y = 2.66f + by - k * 0.2f;
        f.ellipse(hx + 0.02f * (k % 2 ? 1 : -1), y - 0.04f, 0.09f - k * 0.008f, 0.11f, hair);
    }
    f.ellipse(hx, 1.86f + by, 0.05f, 0.06f, hex(0x2f6ea8)); // ribbon
    f.next();
    if (pose == 3) {
        // Swinging: the sword arm raised across, the blade out to the right.
        f.joint({bx + 0.5f, 2.45f + by}, {bx + 0.82f, 2.55f + by}, {bx + 1.0f, 2.3f + by}, 0.14f,
                0.12f, 0.1f, cloak, cloak);
        f.ellipse(bx + 1.02f, 2.28f + by, 0.11f, 0.11f, hex(0x5a3a24));
        f.limb({bx + 1.0f, 2.3f + by}, {bx + 1.36f, 1.05f + by}, 0.08f, 0.05f, steel);
        f.limb({bx + 0.9f, 2.38f + by}, {bx + 1.12f, 2.24f + by}, 0.05f, 0.05f, hex(0xd9b24a));
        f.next();
        f.joint({bx - 0.5f, 2.45f + by}, {bx - 0.72f, 2.0f + by}, {bx - 0.8f, 1.6f + by}, 0.14f,
                0.12f, 0.1f, cloak, cloak);
        f.ellipse(bx - 0.8f, 1.54f + by, 0.1f, 0.11f, hex(0x5a3a24));
    }
    Image img = render(f);
    if (pose == 4) // hurt: a red flash over the figure
        for (auto &p : img.px)
            if (p.a > 0) p = Rgba{std::min(1.0f, p.r * 0.7f + 0.45f), p.g * 0.55f, p.b * 0.55f, 1};
    return img;
}

// ---- the five zombie kinds, seen from the front as they come for the player -----------

// Dead eyes: a dark socket and a small glowing pupil.
void eyes(Figure &f, float cx, float cy, float dx, float r, Rgba glow) {
    for (int s = -1; s <= 1; s += 2) {
        f.ellipse(cx + s * dx, cy, r * 1.25f, r, hex(0x2a1a1e)).flat = true;
        f.ellipse(cx + s * dx, cy, r * 0.55f, r * 0.5f, glow).flat = true;
    }
}

// The plain zombie's head, bald and grey-green, slack jaw, a wound on the scalp, centred
// at (hx, hy) on a neck from neckFoot up to neckTop.
void zombieHead(Figure &f, float hx, float hy, float neckFoot, float neckTop) {
    const Rgba skin = hex(0x86a86a), blood = hex(0x7a1414);
    f.limb({hx, neckFoot}, {hx, neckTop}, 0.13f, 0.13f, skin);
    f.next();
    f.ellipse(hx - 0.36f, hy, 0.08f, 0.12f, skin);
    f.ellipse(hx + 0.36f, hy, 0.08f, 0.12f, skin);
    f.ellipse(hx, hy, 0.36f, 0.42f, skin, 0.1f);
    f.ellipse(hx + 0.14f, hy + 0.26f, 0.12f, 0.07f, blood).flat = true;
    f.limb({hx - 0.22f, hy + 0.3f}, {hx - 0.05f, hy + 0.38f}, 0.02f, 0.02f, hex(0x3a3a2a)).flat =
        true;
    eyes(f, hx, hy + 0.04f, 0.15f, 0.08f, hex(0xf0e860));
    f.ellipse(hx, hy - 0.22f, 0.14f, 0.11f, hex(0x3a0e12)).flat = true;
    f.poly({{hx - 0.1f, hy - 0.15f},
            {hx + 0.1f, hy - 0.15f},
            {hx + 0.08f, hy - 0.19f},
            {hx - 0.08f, hy - 0.19f}},
           hex(0xe8e0c0))
        .flat = true;
}

Image zombie(int frame) {
    Figure f(3.0f, 3.75f);
    Gait g = gait(frame);
    float bx = g.sway, by = g.bob;
    const Rgba skin = hex(0x86a86a), shirt = hex(0x3e6aa0), trousers = hex(0x5e4a34),
               shoes = hex(0x2e2420), blood = hex(0x7a1414);
    for (int side = -1; side <= 1; side += 2) {
        float lift = side < 0 ? g.stepL : g.stepR;
        float fx = side * 0.27f, fy = 0.1f + lift;
        f.joint({bx + side * 0.2f, 1.6f + by}, {side * 0.26f + bx * 0.5f, 0.9f + lift * 0.5f},
                {fx, fy + 0.08f}, 0.19f, 0.16f, 0.14f, trousers, trousers);
        if (side > 0) // torn trouser leg showing the shin
            f.limb({fx + 0.01f, 0.75f + lift * 0.5f}, {fx, fy + 0.12f}, 0.12f, 0.11f, skin);
        f.ellipse(fx + side * 0.04f, fy, 0.22f - lift * 0.2f, 0.12f, shoes);
        f.next();
    }
    // Shirt, torn at the hem, with a bloodstain.
    f.poly({{bx - 0.55f, 2.78f + by},
            {bx + 0.55f, 2.78f + by},
            {bx + 0.46f, 1.55f + by},
            {bx + 0.3f, 1.45f + by},
            {bx + 0.18f, 1.58f + by},
            {bx + 0.02f, 1.42f + by},
            {bx - 0.16f, 1.56f + by},
            {bx - 0.34f, 1.44f + by},
            {bx - 0.47f, 1.56f + by}},
           shirt);
    f.ellipse(bx + 0.18f, 2.1f + by, 0.16f, 0.22f, blood).flat = true;
    f.limb({bx - 0.02f, 2.75f + by}, {bx - 0.02f, 1.6f + by}, 0.025f, 0.025f, hex(0x2a4a78));
    f.poly({{bx - 0.2f, 2.8f + by}, {bx + 0.2f, 2.8f + by}, {bx, 2.52f + by}}, skin);
    f.next();
    // Arms reaching forward for the player.
    for (int side = -1; side <= 1; side += 2) {
        float sw = (side < 0 ? g.swing : -g.swing) * 0.08f;
        V2 sh{bx + side * 0.55f, 2.62f + by}, el{bx + side * 0.86f, 2.32f + by + sw},
            hd{bx + side * 0.74f, 2.5f + by + sw};
        f.limb(sh, el, 0.17f, 0.15f, shirt);
        f.limb(el, hd, 0.13f, 0.12f, skin);
        f.ellipse(hd.x, hd.y - 0.02f, 0.16f, 0.14f, skin);
        for (int k = -1; k <= 1; ++k)
            f.limb({hd.x + k * 0.08f, hd.y - 0.06f}, {hd.x + k * 0.1f, hd.y - 0.26f}, 0.04f, 0.03f,
                   skin);
        f.next();
    }
    // Head on its neck.
    zombieHead(f, bx + 0.03f, 3.2f + by, 2.7f + by, 2.95f + by);
    return render(f);
}

Image zombieGirl(int frame) {
    Figure f(3.0f, 3.75f);
    Gait g = gait(frame);
    float bx = g.sway, by = g.bob;
    const Rgba skin = hex(0xaec4d2), dress = hex(0x8e2a5e), dressDark = hex(0x6a1e46),
               hair = hex(0x1e1a24), shoes = hex(0x7a1a22);
    // Hair falls behind the shoulders.
    f.poly({{bx - 0.42f, 3.3f + by},
            {bx + 0.42f, 3.3f + by},
            {bx + 0.5f, 2.25f + by},
            {bx + 0.2f, 2.35f + by},
            {bx, 2.2f + by},
            {bx - 0.22f, 2.32f + by},
            {bx - 0.52f, 2.2f + by}},
           hair);
    f.next();
    for (int side = -1; side <= 1; side += 2) {
        float lift = side < 0 ? g.stepL : g.stepR;
        float fx = side * 0.2f, fy = 0.1f + lift;
        f.joint({bx + side * 0.14f, 1.4f + by}, {side * 0.19f, 0.8f + lift * 0.5f},
                {fx, fy + 0.08f}, 0.12f, 0.1f, 0.09f, skin, skin);
        f.ellipse(fx + side * 0.03f, fy, 0.16f - lift * 0.14f, 0.1f, shoes);
        f.next();
    }
    // Dress: fitted top and a flared, ragged skirt.
    f.poly({{bx - 0.38f, 1.85f + by},
            {bx + 0.38f, 1.85f + by},
            {bx + 0.7f, 1.02f + by},
            {bx + 0.5f, 1.1f + by},
            {bx + 0.36f, 0.96f + by},
            {bx + 0.14f, 1.08f + by},
            {bx - 0.06f, 0.95f + by},
            {bx - 0.28f, 1.07f + by},
            {bx - 0.46f, 0.97f + by},
            {bx - 0.7f, 1.06f + by}},
           dress);
    f.poly({{bx - 0.44f, 2.72f + by},
            {bx + 0.44f, 2.72f + by},
            {bx + 0.36f, 1.8f + by},
            {bx - 0.36f, 1.8f + by}},
           dress);
    f.poly({{bx - 0.4f, 1.92f + by},
            {bx + 0.4f, 1.92f + by},
            {bx + 0.4f, 1.8f + by},
            {bx - 0.4f, 1.8f + by}},
           dressDark);
    f.poly({{bx - 0.16f, 2.74f + by}, {bx + 0.16f, 2.74f + by}, {bx, 2.5f + by}}, skin);
    f.ellipse(bx - 0.15f, 1.4f + by, 0.14f, 0.2f, hex(0x5a0e14)).flat = true;
    f.next();
    // One arm hangs limp, the other reaches out.
    float sw = g.swing * 0.06f;
    f.joint({bx - 0.42f, 2.6f + by}, {bx - 0.55f, 2.05f + by}, {bx - 0.6f, 1.55f + by + sw}, 0.1f,
            0.09f, 0.08f, skin, skin);
    f.ellipse(bx - 0.61f, 1.48f + by + sw, 0.1f, 0.13f, skin);
    f.next();
    f.joint({bx + 0.42f, 2.6f + by}, {bx + 0.78f, 2.45f - sw}, {bx + 0.7f, 2.62f + by - sw}, 0.1f,
            0.09f, 0.08f, skin, skin);
    f.ellipse(bx + 0.7f, 2.6f + by - sw, 0.12f, 0.1f, skin);
    for (int k = -1; k <= 1; ++k)
        f.limb({bx + 0.7f + k * 0.06f, 2.56f + by - sw}, {bx + 0.72f + k * 0.08f, 2.38f + by - sw},
               0.03f, 0.025f, skin);
    f.next();
    // Head with a fringe and a ribbon, dark-ringed eyes.
    float hx = bx - 0.02f, hy = 3.08f + by;
    f.limb({hx, 2.65f + by}, {hx, 2.85f + by}, 0.09f, 0.09f, skin);
    f.next();
    f.ellipse(hx, hy, 0.3f, 0.36f, skin, -0.12f);
    f.poly({{hx - 0.34f, hy + 0.08f},
            {hx - 0.3f, hy + 0.3f},
            {hx, hy + 0.42f},
            {hx + 0.3f, hy + 0.32f},
            {hx + 0.34f, hy + 0.06f},
            {hx + 0.2f, hy + 0.2f},
            {hx + 0.05f, hy + 0.12f},
            {hx - 0.12f, hy + 0.22f}},
           hair);
    f.ellipse(hx + 0.26f, hy + 0.34f, 0.12f, 0.08f, hex(0xe04a6a));
    eyes(f, hx, hy - 0.02f, 0.13f, 0.075f, hex(0xf2f2ff));
    f.ellipse(hx, hy - 0.22f, 0.08f, 0.05f, hex(0x3a0e18)).flat = true;
    f.limb({hx - 0.13f, hy - 0.09f}, {hx - 0.15f, hy - 0.28f}, 0.015f, 0.015f, hex(0x5a1a2a)).flat =
        true;
    return render(f);
}

Image zombieHippie(int frame) {
    Figure f(3.0f, 3.75f);
    Gait g = gait(frame);
    float bx = g.sway, by = g.bob;
    const Rgba skin = hex(0xa2a874), denim = hex(0x3a5aa8), afro = hex(0x9a4a1c),
               sandal = hex(0x8a5a2a);
    // The big afro behind the head.
    f.ellipse(bx, 3.24f + by, 0.62f, 0.5f, afro);
    f.next();
    // Flared jeans: each leg widens to the hem.
    for (int side = -1; side <= 1; side += 2) {
        float lift = side < 0 ? g.stepL : g.stepR;
        float fx = side * 0.3f, fy = 0.06f + lift;
        f.poly({{bx + side * 0.03f, 1.6f + by},
                {bx + side * 0.4f, 1.6f + by},
                {fx + side * 0.28f, fy + 0.06f},
                {fx - side * 0.26f, fy + 0.06f}},
               denim);
        f.limb({fx - side * 0.2f, fy + 0.1f}, {fx + side * 0.22f, fy + 0.1f}, 0.04f, 0.04f,
               hex(0x2a4080));
        f.ellipse(fx, fy, 0.2f - lift * 0.16f, 0.07f, sandal);
        f.next();
    }
    // Tie-dye shirt: rings of colour around the chest.
    Shape &shirt = f.poly({{bx - 0.58f, 2.75f + by},
                           {bx + 0.58f, 2.75f + by},
                           {bx + 0.5f, 1.55f + by},
                           {bx - 0.5f, 1.55f + by}},
                          hex(0xe0a020));
    shirt.pattern = [bx, by](float x, float y) {
        float d = std::sqrt((x - bx) * (x - bx) + (y - 2.15f - by) * (y - 2.15f - by));
        float a = std::atan2(y - 2.15f - by, x - bx);
        int ring = int((d + 0.06f * std::sin(a * 5)) / 0.12f) % 4;
        const Rgba c[4] = {hex(0xe83a8a), hex(0xf2c02a), hex(0x3ab0e0), hex(0x7ad04a)};
        return c[ring];
    };
    // Peace medallion.
    f.limb({bx - 0.2f, 2.72f + by}, {bx, 2.3f + by}, 0.015f, 0.015f, hex(0xd8d0b8)).flat = true;
    f.limb({bx + 0.2f, 2.72f + by}, {bx, 2.3f + by}, 0.015f, 0.015f, hex(0xd8d0b8)).flat = true;
    f.next();
    f.ellipse(bx, 2.22f + by, 0.13f, 0.11f, hex(0xe8e4d0));
    f.limb({bx, 2.32f + by}, {bx, 2.12f + by}, 0.018f, 0.018f, hex(0x2a2a2a)).flat = true;
    f.limb({bx, 2.2f + by}, {bx - 0.07f, 2.14f + by}, 0.016f, 0.016f, hex(0x2a2a2a)).flat = true;
    f.limb({bx, 2.2f + by}, {bx + 0.07f, 2.14f + by}, 0.016f, 0.016f, hex(0x2a2a2a)).flat = true;
    f.next();
    // Arms out wide, swaying like a slow dance.
    for (int side = -1; side <= 1; side += 2) {
        float sw = (side < 0 ? g.swing : -g.swing) * 0.1f;
        V2 sh{bx + side * 0.58f, 2.6f + by}, el{bx + side * 0.95f, 2.15f + by + sw},
            hd{bx + side * 1.08f, 2.45f + by + sw * 2};
        f.limb(sh, {sh.x + side * 0.18f, sh.y - 0.18f}, 0.17f, 0.15f, hex(0xe83a8a));
        f.limb({sh.x + side * 0.12f, sh.y - 0.12f}, el, 0.11f, 0.1f, skin);
        f.limb(el, hd, 0.1f, 0.09f, skin);
        f.ellipse(hd.x, hd.y + 0.06f, 0.12f, 0.13f, skin);
        f.limb({hd.x - 0.03f, hd.y + 0.1f}, {hd.x - 0.06f, hd.y + 0.3f}, 0.035f, 0.03f, skin);
        f.limb({hd.x + 0.04f, hd.y + 0.1f}, {hd.x + 0.07f, hd.y + 0.3f}, 0.035f, 0.03f, skin);
        f.next();
    }
    // Head: headband, round purple glasses, a full beard.
    float hx = bx, hy = 3.15f + by;
    f.limb({hx, 2.7f + by}, {hx, 2.9f + by}, 0.13f, 0.13f, skin);
    f.next();
    f.ellipse(hx, hy, 0.34f, 0.4f, skin);
    f.poly({{hx - 0.34f, hy + 0.02f},
            {hx + 0.34f, hy + 0.02f},
            {hx + 0.3f, hy - 0.3f},
            {hx, hy - 0.5f},
            {hx - 0.3f, hy - 0.3f}},
           hex(0x7a3a16));
    f.ellipse(hx, hy - 0.2f, 0.12f, 0.07f, hex(0x3a0e12)).flat = true;
    f.poly({{hx - 0.38f, hy + 0.3f},
            {hx + 0.38f, hy + 0.3f},
            {hx + 0.36f, hy + 0.2f},
            {hx - 0.36f, hy + 0.2f}},
           hex(0xd93aa0));
    for (int s = -1; s <= 1; s += 2) {
        f.ellipse(hx + s * 0.15f, hy + 0.06f, 0.13f, 0.12f, hex(0x2a1a3a));
        f.ellipse(hx + s * 0.15f, hy + 0.06f, 0.1f, 0.09f, hex(0x8a3ad0));
    }
    f.limb({hx - 0.05f, hy + 0.08f}, {hx + 0.05f, hy + 0.08f}, 0.02f, 0.02f, hex(0x2a1a3a));
    return render(f);
}

Image monkey(int frame) {
    Figure f(2.5f, 2.72f);
    Gait g = gait(frame);
    float bx = g.sway * 1.5f, by = g.bob;
    const Rgba fur = hex(0x5e3b22), furDark = hex(0x47291a), face = hex(0xc09a76),
               rib = hex(0xd8c8b0);
    // Tail curling up behind.
    f.limb({bx + 0.3f, 1.0f}, {bx + 0.85f, 1.3f}, 0.08f, 0.07f, furDark);
    f.limb({bx + 0.85f, 1.3f}, {bx + 0.95f, 1.85f}, 0.07f, 0.06f, furDark);
    f.limb({bx + 0.95f, 1.85f}, {bx + 0.75f, 2.05f}, 0.06f, 0.05f, furDark);
    f.next();
    // Short bent legs.
    for (int side = -1; side <= 1; side += 2) {
        float lift = side < 0 ? g.stepL : g.stepR;
        float fx = side * 0.38f, fy = 0.08f + lift * 0.8f;
        f.joint({bx + side * 0.25f, 0.95f + by}, {side * 0.5f, 0.55f + lift * 0.5f},
                {fx, fy + 0.06f}, 0.2f, 0.15f, 0.12f, fur, fur);
        f.ellipse(fx, fy, 0.18f - lift * 0.12f, 0.08f, face);
        f.next();
    }
    // Hunched body with a bare patch of ribs.
    f.ellipse(bx, 1.28f + by, 0.62f, 0.6f, fur);
    f.ellipse(bx, 1.2f + by, 0.34f, 0.36f, hex(0x8a6a52));
    for (int k = 0; k < 3; ++k)
        f.limb({bx - 0.2f, 1.36f + by - k * 0.13f}, {bx + 0.2f, 1.36f + by - k * 0.13f}, 0.028f,
               0.028f, rib)
            .flat = true;
    f.next();
    // Long arms down to the knuckles, the pair moving against the legs.
    for (int side = -1; side <= 1; side += 2) {
        float lift = side < 0 ? g.stepR : g.stepL;
        V2 sh{bx + side * 0.5f, 1.6f + by}, el{bx + side * 0.92f, 1.0f + lift * 0.4f},
            hd{bx + side * 0.9f, 0.12f + lift * 0.9f};
        f.joint(sh, el, hd, 0.19f, 0.15f, 0.12f, fur, fur);
        f.ellipse(hd.x, hd.y, 0.16f, 0.12f, face);
        f.next();
    }
    // Head: heavy brow, pale muzzle, red eyes, teeth bared.
    float hx = bx, hy = 1.98f + by;
    f.ellipse(hx - 0.4f, hy + 0.05f, 0.12f, 0.13f, face);
    f.ellipse(hx + 0.4f, hy + 0.05f, 0.12f, 0.13f, face);
    f.ellipse(hx + 0.42f, hy + 0.13f, 0.05f, 0.05f, hex(0x6a1a14)).flat = true; // torn ear
    f.ellipse(hx, hy + 0.05f, 0.4f, 0.4f, fur);
    f.next();
    f.ellipse(hx, hy - 0.02f, 0.3f, 0.3f, face);
    f.ellipse(hx, hy - 0.17f, 0.24f, 0.16f, hex(0xd2b08c));
    f.poly({{hx - 0.34f, hy + 0.17f},
            {hx + 0.34f, hy + 0.17f},
            {hx + 0.3f, hy + 0.07f},
            {hx - 0.3f, hy + 0.07f}},
           furDark);
    eyes(f, hx, hy + 0.02f, 0.13f, 0.07f, hex(0xff3a2a));
    f.ellipse(hx - 0.04f, hy - 0.08f, 0.025f, 0.02f, hex(0x3a2a20)).flat = true;
    f.ellipse(hx + 0.04f, hy - 0.08f, 0.025f, 0.02f, hex(0x3a2a20)).flat = true;
    f.ellipse(hx, hy - 0.22f, 0.15f, 0.07f, hex(0x3a0e12)).flat = true;
    for (int k = -2; k <= 2; ++k)
        f.poly({{hx + k * 0.05f - 0.02f, hy - 0.16f},
                {hx + k * 0.05f + 0.02f, hy - 0.16f},
                {hx + k * 0.05f, hy - 0.22f}},
               hex(0xf0e8d0))
            .flat = true;
    return render(f);
}

Image gourd(int frame) {
    Figure f(2.5f, 1.978f);
    Gait g = gait(frame);
    float tilt = frame == 1 ? 0.08f : frame == 2 ? -0.08f : 0.0f;
    const Rgba orange = hex(0xe8781e), rind = hex(0xc85a12), vine = hex(0x3e7a2a),
               leaf = hex(0x5aa03a), glow = hex(0xffe24a), root = hex(0x5a3e22);
    // Stubby root legs.
    for (int side = -1; side <= 1; side += 2) {
        float lift = side < 0 ? g.stepL : g.stepR;
        float fx = side * 0.26f, fy = 0.06f + lift * 0.5f;
        f.limb({side * 0.16f, 0.5f}, {fx, fy + 0.05f}, 0.11f, 0.09f, vine);
        f.ellipse(fx + side * 0.05f, fy, 0.16f - lift * 0.1f, 0.07f, root);
        f.next();
    }
    // Leafy body and vine arms ending in leaf hands.
    f.ellipse(0, 0.5f, 0.34f, 0.26f, vine);
    f.next();
    for (int side = -1; side <= 1; side += 2) {
        float sw = (side < 0 ? g.swing : -g.swing) * 0.06f;
        V2 sh{side * 0.28f, 0.6f}, hd{side * 0.78f, 0.5f + sw};
        f.limb(sh, {side * 0.55f, 0.35f + sw}, 0.07f, 0.06f, vine);
        f.limb({side * 0.55f, 0.35f + sw}, hd, 0.06f, 0.05f, vine);
        f.ellipse(hd.x, hd.y + 0.04f, 0.16f, 0.09f, leaf, side * 0.6f);
        f.ellipse(hd.x + side * 0.06f, hd.y - 0.06f, 0.13f, 0.07f, leaf, -side * 0.5f);
        f.next();
    }
    // The pumpkin head: ridged lobes, a curled stem and a carved, glowing face.
    float cx = 0, cy = 1.17f;
    f.limb({cx, cy + 0.5f}, {cx + 0.06f, cy + 0.76f}, 0.06f, 0.05f, hex(0x5a6a2a));
    f.limb({cx + 0.06f, cy + 0.72f}, {cx + 0.22f, cy + 0.7f}, 0.025f, 0.02f, vine);
    f.next();
    const float lobeX[] = {-0.62f, 0.62f, -0.36f, 0.36f, 0.0f};
    const float lobeR[] = {0.34f, 0.34f, 0.42f, 0.42f, 0.44f};
    for (int k = 0; k < 5; ++k) {
        f.ellipse(cx + lobeX[k], cy - std::fabs(lobeX[k]) * 0.06f, lobeR[k], 0.56f,
                  k < 2 ? rind : orange, tilt);
        f.next();
    }
    Shape &e1 = f.poly(
        {{cx - 0.42f, cy + 0.02f}, {cx - 0.14f, cy + 0.02f}, {cx - 0.28f, cy + 0.26f}}, glow);
    e1.flat = true;
    Shape &e2 = f.poly(
        {{cx + 0.14f, cy + 0.02f}, {cx + 0.42f, cy + 0.02f}, {cx + 0.28f, cy + 0.26f}}, glow);
    e2.flat = true;
    f.poly({{cx - 0.05f, cy - 0.04f}, {cx + 0.05f, cy - 0.04f}, {cx, cy + 0.06f}}, glow).flat =
        true;
    std::vector<V2> mouth = {{cx - 0.46f, cy - 0.16f}};
    for (int k = 0; k <= 8; ++k) {
        float x = cx - 0.4f + k * 0.1f;
        mouth.push_back({x, cy - 0.16f - ((k % 2) ? 0.0f : 0.08f)});
    }
    mouth.push_back({cx + 0.46f, cy - 0.16f});
    mouth.push_back({cx + 0.3f, cy - 0.36f});
    mouth.push_back({cx, cy - 0.42f});
    mouth.push_back({cx - 0.3f, cy - 0.36f});
    f.poly(mouth, glow).flat = true;
    f.poly({{cx - 0.1f, cy - 0.3f}, {cx + 0.1f, cy - 0.3f}, {cx, cy - 0.2f}}, hex(0xe8781e));
    return render(f);
}

// The game's icon: the plain zombie's head and shoulders. Drawn four times larger, the
// outline thickened to four pixels there, then averaged down, so that the edges are
// smooth at every size and the outline stays one pixel wide.
Image zombieIcon(int size) {
    Figure f(1.2f, 1.2f);
    const Rgba skin = hex(0x86a86a), shirt = hex(0x3e6aa0);
    f.poly({{-0.5f, 0.0f},
            {0.5f, 0.0f},
            {0.46f, 0.17f},
            {0.2f, 0.26f},
            {-0.2f, 0.26f},
            {-0.46f, 0.17f}},
           shirt);
    f.poly({{-0.15f, 0.26f}, {0.15f, 0.26f}, {0.0f, 0.1f}}, skin);
    f.next();
    zombieHead(f, 0.0f, 0.7f, 0.14f, 0.45f);

    const int ss = 4, big = size * ss;
    Image fine = render(f, big, big);
    Image thick = fine;
    for (int y = 0; y < big; ++y)
        for (int x = 0; x < big; ++x) {
            if (fine.at(x, y).a > 0)
                continue;
            bool near = false;
            for (int dy = -(ss - 1); dy < ss && !near; ++dy)
                for (int dx = -(ss - 1); dx < ss; ++dx)
                    if (dx * dx + dy * dy <= (ss - 1) * (ss - 1) && fine.inside(x + dx, y + dy) &&
                        fine.at(x + dx, y + dy).a > 0) {
                        near = true;
                        break;
                    }
            if (near)
                thick.at(x, y) = outlineColor;
        }
    Image out(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float r = 0, g = 0, b = 0, a = 0;
            for (int j = 0; j < ss; ++j)
                for (int i = 0; i < ss; ++i) {
                    const Rgba &p = thick.at(x * ss + i, y * ss + j);
                    r += p.r * p.a, g += p.g * p.a, b += p.b * p.a, a += p.a;
                }
            if (a > 0)
                out.at(x, y) = {r / a, g / a, b / a, a / (ss * ss)};
        }
    return out;
}

} // namespace

Image iconPicture(int size) {
    return zombieIcon(size);
}

std::vector<Picture> spritePictures() {
    std::vector<Picture> out;
    const char *wrenNames[] = {"still", "walk-1", "walk-2", "hit", "hurt"};
    for (int p = 0; p < 5; ++p)
        out.push_back({std::string("Wren/Wren-") + wrenNames[p] + ".png", wren(p), true, false,
                       std::string("Wren ") + wrenNames[p]});
    const char *kinds[] = {"Zombie", "Zombie-girl", "Zombie-Hippie", "Monkey", "Gourd"};
    const char *frames[] = {"still", "walk-1", "walk-2"};
    Image (*draw[])(int) = {zombie, zombieGirl, zombieHippie, monkey, gourd};
    for (int k = 0; k < 5; ++k)
        for (int fr = 0; fr < 3; ++fr)
            out.push_back({std::string("Zombie/") + kinds[k] + "-" + frames[fr] + ".png",
                           draw[k](fr), true, false, std::string(kinds[k]) + " " + frames[fr]});
    return out;
}

} // namespace art
