"""The page pairs of the noise benchmark: the same shop and news pages before and after, once with
only noise between them (nothing a reader cares about) and once with a real change. Each pair says
which selector and which ignore rules a user would set for its site."""

import html

PRODUCTS = [
    ("Trail bike", "A light bike for forest paths.", "899 EUR", ["Aluminium frame", "21 gears", "Disc brakes"]),
    ("City bike", "Upright and comfortable for town.", "549 EUR", ["Steel frame", "7 gears", "Mudguards"]),
    ("Cargo bike", "Carries two children or a week of shopping.", "2,490 EUR", ["Box of 100 l", "Electric assist", "Rain cover"]),
]

# What a user of the site would set: its content area, and the lines of noise it shows around it.
SELECTOR = "#content"
IGNORE_TEXTS = ["Sponsored:"]
IGNORE_REGEXES = [r"^Updated \d\d:\d\d$", r"^Visitors: [0-9,]+$"]


def page(product, *, time="10:01", visitors="12,345", ad="Cheap flights to Rome", token="a1b2c3",
         session="s=77aa", attr_order=0, spacing="", tracking="", cache="v=1", nonce="n1", comment="build 1",
         style="color:#333", script="var t=1;", banner_id="b1", price=None, desc=None, features=None,
         title=None, stock="In stock", links=("Reviews", "Delivery", "Returns"), headline=None, extra=""):
    name, description, base_price, base_features = product
    price = price or base_price
    desc = desc or description
    features = base_features if features is None else features
    title = title or name
    head_attrs = ['lang="en"', 'data-theme="light"']
    if attr_order:
        head_attrs.reverse()
    feats = "".join(f"<li>{html.escape(f)}</li>{spacing}" for f in features)
    nav = "".join(f'<a href="/{l.lower()}?{session}{tracking}">{l}</a> ' for l in links)
    return f"""<!DOCTYPE html>
<html {' '.join(head_attrs)}><head><title>{html.escape(title)} - Bikes</title>
<link rel="stylesheet" href="/site.css?{cache}"><style>body{{{style}}}</style>
<script nonce="{nonce}" src="/app.js?{cache}"></script><script>{script}</script></head>
<body><!-- {comment} -->
<header><p>Updated {time}</p><nav>{nav}</nav></header>
<aside id="{banner_id}"><p>Sponsored: {html.escape(ad)}</p></aside>
<main id="content">{spacing}
<h1>{html.escape(headline or title)}</h1>{spacing}
<p class="desc">{html.escape(desc)}</p>
<p class="price" data-sku="1" data-currency="EUR">{html.escape(price)}</p><p class="stock">{stock}</p>
<ul>{feats}</ul>{extra}
<form><input type="hidden" name="csrf" value="{token}"><button>Add to basket</button></form>
</main>
<footer><p>Visitors: {visitors}</p></footer>
</body></html>
"""


# Noise: what changes between two visits when nothing a reader cares about did.
NOISE = [
    ("timestamp", dict(time="10:47")),
    ("rotating ad", dict(ad="Hotels in Paris from 49 EUR")),
    ("csrf token", dict(token="9f8e7d")),
    ("session id in links", dict(session="s=91bc")),
    ("reordered attributes", dict(attr_order=1)),
    ("white space", dict(spacing="\n   \n")),
    ("tracking parameters", dict(tracking="&utm_source=news&utm_medium=mail")),
    ("visitor counter", dict(visitors="12,399")),
    ("cache-busting query", dict(cache="v=1733912")),
    ("script and nonce", dict(script="var t=1733912;", nonce="n9")),
    ("comment", dict(comment="build 2")),
    ("style", dict(style="color:#343434")),
    ("banner id", dict(banner_id="b7")),
    ("everything at once", dict(time="11:02", ad="New phones", token="ff00", session="s=12", visitors="13,001",
                                cache="v=9", nonce="n3", comment="build 9")),
]

# Changes a reader cares about, each also carrying the usual noise of a second visit.
CHANGES = [
    ("price", lambda p: dict(price="799 EUR")),
    ("paragraph", lambda p: dict(desc=p[1] + " Now with a longer warranty.")),
    ("item added", lambda p: dict(features=p[3] + ["Kickstand"])),
    ("item removed", lambda p: dict(features=p[3][:-1])),
    ("link text removed", lambda p: dict(extra='<p><a href="/manual">Manual</a></p>')),
    ("stock", lambda p: dict(stock="Sold out")),
    ("headline", lambda p: dict(headline=p[0] + " 2025")),
    ("item renamed", lambda p: dict(features=[p[3][0], p[3][1] + " (Shimano)", p[3][2]])),
    ("new section", lambda p: dict(extra="<h2>Offer</h2><p>Free helmet this week.</p>")),
    ("price format", lambda p: dict(price=p[2].replace(" EUR", ".00 EUR"))),
    ("one word", lambda p: dict(desc=p[1].replace("A ", "The ", 1).replace("Upright", "Upright,", 1).replace("Carries", "Carries up to", 1))),
]
NOISE_OF_A_VISIT = dict(time="12:00", visitors="12,500", token="ccdd")


def pairs():
    """(name, changed, before, after) for every pair."""
    out = []
    for index, product in enumerate(PRODUCTS):
        before = page(product)
        for noise, kwargs in NOISE:
            out.append((f"{product[0]}: {noise}", False, before, page(product, **kwargs)))
        for change, make in CHANGES:
            # The "link text removed" pair removes what the before page had.
            if change == "link text removed":
                b = page(product, **make(product))
                out.append((f"{product[0]}: {change}", True, b, page(product, **NOISE_OF_A_VISIT)))
                continue
            out.append((f"{product[0]}: {change}", True, before, page(product, **make(product), **NOISE_OF_A_VISIT)))
    return out
