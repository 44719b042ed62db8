--
-- PostgreSQL database dump
--

\restrict TUr5KLITP6Sn5yNehI3cgRJrziwS5CX8dYfrMFrYEfBW7IqNWb1qdjCfBaIuqqF

-- Dumped from database version 15.18 (Debian 15.18-0+deb12u1)
-- Dumped by pg_dump version 15.18 (Debian 15.18-0+deb12u1)

SET statement_timeout = 0;
SET lock_timeout = 0;
SET idle_in_transaction_session_timeout = 0;
SET client_encoding = 'UTF8';
SET standard_conforming_strings = on;
SELECT pg_catalog.set_config('search_path', '', false);
SET check_function_bodies = false;
SET xmloption = content;
SET client_min_messages = warning;
SET row_security = off;

SET default_tablespace = '';

SET default_table_access_method = heap;

--
-- Name: comparisons; Type: TABLE; Schema: public; Owner: -
--

CREATE TABLE public.comparisons (
    id text NOT NULL,
    part_id text NOT NULL,
    seq integer NOT NULL,
    kind text NOT NULL,
    pins text NOT NULL,
    expected text NOT NULL,
    measured text NOT NULL,
    passed integer NOT NULL,
    reason text NOT NULL,
    mode text,
    expected_value double precision,
    measured_value double precision
);


--
-- Name: measurements; Type: TABLE; Schema: public; Owner: -
--

CREATE TABLE public.measurements (
    id text NOT NULL,
    part_id text NOT NULL,
    seq integer NOT NULL,
    measure text NOT NULL,
    pin_a integer NOT NULL,
    type_a integer NOT NULL,
    type_a_name text,
    pin_b integer,
    type_b integer,
    type_b_name text,
    vdrop_ab_v double precision,
    vdrop_ba_v double precision,
    CONSTRAINT measurements_measure_check CHECK ((measure = ANY (ARRAY['static'::text, 'button'::text, 'touch'::text])))
);


--
-- Name: parts; Type: TABLE; Schema: public; Owner: -
--

CREATE TABLE public.parts (
    id text NOT NULL,
    run_id text NOT NULL,
    serial text,
    attempt integer NOT NULL,
    started_utc text NOT NULL,
    ended_utc text NOT NULL,
    verdict text NOT NULL,
    forwarded integer DEFAULT 0 NOT NULL,
    test_s double precision,
    cycle_s double precision,
    CONSTRAINT parts_verdict_check CHECK ((verdict = ANY (ARRAY['PASS'::text, 'FAIL'::text])))
);


--
-- Name: results_schema; Type: TABLE; Schema: public; Owner: -
--

CREATE TABLE public.results_schema (
    version integer NOT NULL
);


--
-- Name: runs; Type: TABLE; Schema: public; Owner: -
--

CREATE TABLE public.runs (
    id text NOT NULL,
    station text NOT NULL,
    program_path text NOT NULL,
    program_sha256 text NOT NULL,
    firmware text NOT NULL,
    sensitivity integer NOT NULL,
    buzzer integer NOT NULL,
    tolerance double precision NOT NULL,
    started_utc text NOT NULL,
    ended_utc text,
    program_version text NOT NULL,
    forwarded integer DEFAULT 0 NOT NULL
);


--
-- Data for Name: comparisons; Type: TABLE DATA; Schema: public; Owner: -
--

COPY public.comparisons (id, part_id, seq, kind, pins, expected, measured, passed, reason, mode, expected_value, measured_value) FROM stdin;
1074eec4-4272-4133-9d75-dda7ac4bdab2	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	0	pair	1-2	Led anode to Led cathode, 1.800V / -0.020V	Led anode to Led cathode, 1.800V / -0.020V	1		\N	\N	\N
8f5dd024-e6e0-4480-9490-ac18cd87080e	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	1	pair	3-4	Led anode to Led cathode, 2.100V / -0.020V	Led anode to Led cathode, 2.100V / -0.020V	1		\N	\N	\N
6dafaf44-2f21-4fef-bb2a-9a02bf8900c1	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	2	pair	5-6	Led bidirectionnel to Led bidirectionnel, 1.960V / 1.980V	Led bidirectionnel to Led bidirectionnel, 1.960V / 1.980V	1		\N	\N	\N
cede7b6b-cc8a-48fe-be5f-869ee270c133	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	3	pair	7-8	Shortcut to Shortcut, 0.000V / 0.000V	Shortcut to Shortcut, 0.000V / 0.000V	1		\N	\N	\N
d8f96734-1057-46b4-801d-7c09ed31bca1	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	4	button	12 (common 14)	Button ON	Button ON	1		\N	\N	\N
8f128280-08f3-42c5-890b-196c2c5cd901	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	5	button	13 (common 14)	Button OFF	Button OFF	1		\N	\N	\N
7e55545a-9b23-462c-866c-e529afb7de72	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	6	touch	16	Touch ON	Touch ON	1		\N	\N	\N
42bb0335-0735-473f-87c8-693ebfe99d28	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	7	touch	17	Touch OFF	Touch OFF	1		\N	\N	\N
1fcaef7d-0f95-493c-bc25-6d2f821b21e3	3c568027-77cb-4b45-9052-ba6df0120dd9	0	pair	1-2	Led anode to Led cathode, 1.800V / -0.020V	Led anode to Led cathode, 2.000V / -0.020V	0	Vdrop(1->2) = 2.000V, expected 1.800V within 0.100V	pair 1-2: drop 1->2 out of tolerance	1.8	2
379c2b57-bf61-4435-b14c-f68590938bde	3c568027-77cb-4b45-9052-ba6df0120dd9	1	pair	3-4	Led anode to Led cathode, 2.100V / -0.020V	Led anode to Led cathode, 2.100V / -0.020V	1		\N	\N	\N
14891457-c313-4a02-8c88-319922e1b4fc	3c568027-77cb-4b45-9052-ba6df0120dd9	2	pair	5-6	Led bidirectionnel to Led bidirectionnel, 1.960V / 1.980V	Led bidirectionnel to Led bidirectionnel, 1.960V / 1.980V	1		\N	\N	\N
c5927d3b-6b5b-4989-ad24-0653f789561c	3c568027-77cb-4b45-9052-ba6df0120dd9	3	pair	7-8	Shortcut to Shortcut, 0.000V / 0.000V	Shortcut to Shortcut, 0.000V / 0.000V	1		\N	\N	\N
751d998e-34ea-4fd5-8868-9192bd552c5f	3c568027-77cb-4b45-9052-ba6df0120dd9	4	button	12 (common 14)	Button ON	Button ON	1		\N	\N	\N
13238aee-4fe2-4286-bf20-15ed57123da5	3c568027-77cb-4b45-9052-ba6df0120dd9	5	button	13 (common 14)	Button OFF	Button OFF	1		\N	\N	\N
93ddabee-abf3-4d0e-a4d6-f40550028390	3c568027-77cb-4b45-9052-ba6df0120dd9	6	touch	16	Touch ON	Touch ON	1		\N	\N	\N
f4ea44d6-3d1e-41d4-923a-1121722a937e	3c568027-77cb-4b45-9052-ba6df0120dd9	7	touch	17	Touch OFF	Touch OFF	1		\N	\N	\N
c949dfb2-6771-4c20-a597-fe31097320ae	b2305133-bce3-4da8-b0ab-668e63b6add1	0	pair	1-2	Led anode to Led cathode, 1.800V / -0.020V	Led anode to Led cathode, 1.800V / -0.020V	1		\N	\N	\N
bddf4557-1cb9-43ac-a64a-81fce6e69129	b2305133-bce3-4da8-b0ab-668e63b6add1	1	pair	3-4	Led anode to Led cathode, 2.100V / -0.020V	Led anode to Led cathode, 2.100V / -0.020V	1		\N	\N	\N
9728426c-aa49-4d62-b245-860ef760f30a	b2305133-bce3-4da8-b0ab-668e63b6add1	2	pair	5-6	Led bidirectionnel to Led bidirectionnel, 1.960V / 1.980V	Led bidirectionnel to Led bidirectionnel, 1.960V / 1.980V	1		\N	\N	\N
7ea2b603-8a6d-4c69-8b80-54b3294d20ad	b2305133-bce3-4da8-b0ab-668e63b6add1	3	pair	7-8	Shortcut to Shortcut, 0.000V / 0.000V	Shortcut to Shortcut, 0.000V / 0.000V	1		\N	\N	\N
3cb802f5-c611-417e-a01e-e524115d7851	b2305133-bce3-4da8-b0ab-668e63b6add1	4	button	12 (common 14)	Button ON	Button ON	1		\N	\N	\N
76b84f64-b70d-4cdc-826f-d5fc708e3e54	b2305133-bce3-4da8-b0ab-668e63b6add1	5	button	13 (common 14)	Button OFF	Button OFF	1		\N	\N	\N
e33d14ba-3408-4d0e-a71d-fcf4a1d45eea	b2305133-bce3-4da8-b0ab-668e63b6add1	6	touch	16	Touch ON	Touch ON	1		\N	\N	\N
b999f729-c479-46ce-86c7-71f6cfca0217	b2305133-bce3-4da8-b0ab-668e63b6add1	7	touch	17	Touch OFF	Touch OFF	1		\N	\N	\N
6f89e6a9-7d37-4881-87aa-f908528c6777	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	0	pair	1-2	Led anode to Led cathode, 1.800V / -0.020V	Led anode to Led cathode, 1.800V / -0.020V	1		\N	\N	\N
aacb7a18-0502-4afa-bd5d-14f743073e3c	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	1	pair	3-4	Led anode to Led cathode, 2.100V / -0.020V	Led anode to Led cathode, 2.100V / -0.020V	1		\N	\N	\N
dea59ff0-74be-46cd-b5bc-ce45b3e8c26e	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	2	pair	5-6	Led bidirectionnel to Led bidirectionnel, 1.960V / 1.980V	Led bidirectionnel to Led bidirectionnel, 1.960V / 1.980V	1		\N	\N	\N
4be9ee00-5ea6-4dcc-82f0-af3f8a14a3df	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	3	pair	7-8	Shortcut to Shortcut, 0.000V / 0.000V	Shortcut to Shortcut, 0.000V / 0.000V	1		\N	\N	\N
a4a405ed-3511-43bf-8d9f-6cd21ccf2665	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	4	button	12 (common 14)	Button ON	Button ON	1		\N	\N	\N
ae366471-af0f-4bb9-b617-1608b58912de	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	5	button	13 (common 14)	Button OFF	Button OFF	1		\N	\N	\N
5ad5f5eb-e23d-4aa1-9579-59d0edfb0e71	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	6	touch	16	Touch ON	Touch ON	1		\N	\N	\N
9614429c-48ad-452a-af5e-43263b39bbe7	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	7	touch	17	Touch OFF	Touch ON	0	Touch ON, expected Touch OFF	touch 17: state	32	33
476f1f90-f12d-419e-b321-505223645850	696d3bd7-7f05-4719-8863-b22b99f1273f	0	pair	1-2	Led anode to Led cathode, 1.800V / -0.020V	Led anode to Led cathode, 1.800V / -0.020V	1		\N	\N	\N
d4897777-4ceb-414d-9ab2-29e20df29dc0	696d3bd7-7f05-4719-8863-b22b99f1273f	1	pair	3-4	Led anode to Led cathode, 2.100V / -0.020V	Led anode to Led cathode, 2.100V / -0.020V	1		\N	\N	\N
dc6d00c4-6dbc-4c85-8ec5-0123579dedb9	696d3bd7-7f05-4719-8863-b22b99f1273f	2	pair	5-6	Led bidirectionnel to Led bidirectionnel, 1.960V / 1.980V	Led bidirectionnel to Led bidirectionnel, 1.960V / 1.980V	1		\N	\N	\N
ab4e3f6b-fa76-45a9-8c6d-9353b55b59f5	696d3bd7-7f05-4719-8863-b22b99f1273f	3	pair	7-8	Shortcut to Shortcut, 0.000V / 0.000V	Shortcut to Shortcut, 0.000V / 0.000V	1		\N	\N	\N
3c9ed6fa-1a3c-4f5e-bd12-14e4738cb08a	696d3bd7-7f05-4719-8863-b22b99f1273f	4	button	12 (common 14)	Button ON	Button ON	1		\N	\N	\N
ef2cafbf-9383-4ae9-8d03-629ee421e610	696d3bd7-7f05-4719-8863-b22b99f1273f	5	button	13 (common 14)	Button OFF	Button OFF	1		\N	\N	\N
0e53c9b2-7ebd-474b-8b7c-f58f734e93a0	696d3bd7-7f05-4719-8863-b22b99f1273f	6	touch	16	Touch ON	Touch ON	1		\N	\N	\N
a19351ad-ddde-4127-994c-a36ddd36f826	696d3bd7-7f05-4719-8863-b22b99f1273f	7	touch	17	Touch OFF	Touch OFF	1		\N	\N	\N
\.


--
-- Data for Name: measurements; Type: TABLE DATA; Schema: public; Owner: -
--

COPY public.measurements (id, part_id, seq, measure, pin_a, type_a, type_a_name, pin_b, type_b, type_b_name, vdrop_ab_v, vdrop_ba_v) FROM stdin;
5325211d-0bd3-477b-afa3-eca71e3ca030	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	0	static	1	1	Led anode	2	2	Led cathode	1.8	-0.02
061ff90e-5c1d-44c0-8da9-cca6c4dce5a8	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	1	static	3	1	Led anode	4	2	Led cathode	2.1	-0.02
93e14e70-da20-4e03-89ce-8c385dccc032	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	2	static	5	3	Led bidirectionnel	6	3	Led bidirectionnel	1.96	1.98
28912216-9f6f-4dfb-89cf-9eb49ccc9e8c	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	3	static	7	4	Shortcut	8	4	Shortcut	0	0
94065bd6-ba75-42a7-bce7-007774ed7532	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	4	button	12	17	Button ON	14	5	Common	0	0
6ce1202c-5490-4113-bcee-99972cde3af0	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	5	button	13	16	Button OFF	14	5	Common	0	0
e9d5fc46-afaf-4b6f-b1ef-72a50a0d8d74	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	6	touch	16	33	Touch ON	\N	\N	\N	\N	\N
85e91d49-5ca1-424f-a8e9-76412dee0e06	27cad3a7-47bf-46a2-9a11-cd3a48d4c850	7	touch	17	32	Touch OFF	\N	\N	\N	\N	\N
ac9f7082-6ccc-4fdf-a302-f4faa97a9a1b	3c568027-77cb-4b45-9052-ba6df0120dd9	0	static	1	1	Led anode	2	2	Led cathode	2	-0.02
c35e0a51-a11f-4183-94ae-81667c4bb8ce	3c568027-77cb-4b45-9052-ba6df0120dd9	1	static	3	1	Led anode	4	2	Led cathode	2.1	-0.02
4aa91181-f940-478a-936e-eff6647a3aaa	3c568027-77cb-4b45-9052-ba6df0120dd9	2	static	5	3	Led bidirectionnel	6	3	Led bidirectionnel	1.96	1.98
50a3d0f1-a96e-486e-a80a-0a9a671604ac	3c568027-77cb-4b45-9052-ba6df0120dd9	3	static	7	4	Shortcut	8	4	Shortcut	0	0
448b4b8d-3714-413d-baed-994cb580b74d	3c568027-77cb-4b45-9052-ba6df0120dd9	4	button	12	17	Button ON	14	5	Common	0	0
67a11708-fd99-44ef-a055-19fcd11418b6	3c568027-77cb-4b45-9052-ba6df0120dd9	5	button	13	16	Button OFF	14	5	Common	0	0
bf5df15e-20db-4388-b819-32491c7db49b	3c568027-77cb-4b45-9052-ba6df0120dd9	6	touch	16	33	Touch ON	\N	\N	\N	\N	\N
7d229a6b-ad96-4649-a60d-6e1bb1da80b3	3c568027-77cb-4b45-9052-ba6df0120dd9	7	touch	17	32	Touch OFF	\N	\N	\N	\N	\N
dd04cf1c-5d0a-42f8-9013-0a910e8658b7	b2305133-bce3-4da8-b0ab-668e63b6add1	0	static	1	1	Led anode	2	2	Led cathode	1.8	-0.02
c88c7d72-e74f-451b-8782-9a8d3318f4bd	b2305133-bce3-4da8-b0ab-668e63b6add1	1	static	3	1	Led anode	4	2	Led cathode	2.1	-0.02
e590e31f-754e-4f1f-9c28-02dd95d6d77e	b2305133-bce3-4da8-b0ab-668e63b6add1	2	static	5	3	Led bidirectionnel	6	3	Led bidirectionnel	1.96	1.98
5312aa67-9b12-48df-9e98-64225b7e1cb5	b2305133-bce3-4da8-b0ab-668e63b6add1	3	static	7	4	Shortcut	8	4	Shortcut	0	0
f4a8c601-9820-4f90-83c5-20bf8892bd72	b2305133-bce3-4da8-b0ab-668e63b6add1	4	button	12	17	Button ON	14	5	Common	0	0
96c7677e-e0c4-4bb0-8367-cfd3688766ae	b2305133-bce3-4da8-b0ab-668e63b6add1	5	button	13	16	Button OFF	14	5	Common	0	0
2392e4d6-7883-4bd3-9782-6ee161f79a51	b2305133-bce3-4da8-b0ab-668e63b6add1	6	touch	16	33	Touch ON	\N	\N	\N	\N	\N
2ca09655-9481-4d85-9893-f90c6da9fddb	b2305133-bce3-4da8-b0ab-668e63b6add1	7	touch	17	32	Touch OFF	\N	\N	\N	\N	\N
0a68049d-dd47-436a-9da0-45aa9a49b33e	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	0	static	1	1	Led anode	2	2	Led cathode	1.8	-0.02
de65495c-c075-4fc5-a903-d55d37076045	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	1	static	3	1	Led anode	4	2	Led cathode	2.1	-0.02
ba99dd2f-71d0-45ca-bcb4-92a00aecadfd	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	2	static	5	3	Led bidirectionnel	6	3	Led bidirectionnel	1.96	1.98
b798252f-bec0-421b-a01c-e330c7182c30	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	3	static	7	4	Shortcut	8	4	Shortcut	0	0
e79c277e-4ce4-4557-95ac-af8371a8e7ea	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	4	button	12	17	Button ON	14	5	Common	0	0
11bbe6b8-9801-46a9-b43e-813c70e733a6	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	5	button	13	16	Button OFF	14	5	Common	0	0
c73ec618-3dbc-4b60-9c5c-6410a7ea6ddf	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	6	touch	16	33	Touch ON	\N	\N	\N	\N	\N
760ff69f-5f52-4b6e-a9a9-3634c8d2f2eb	6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	7	touch	17	33	Touch ON	\N	\N	\N	\N	\N
cb6bf4e6-4dfe-414c-9d3c-f7ef60d86446	696d3bd7-7f05-4719-8863-b22b99f1273f	0	static	1	1	Led anode	2	2	Led cathode	1.8	-0.02
335ef214-3397-44c6-b2d2-7d9ddb09c3f0	696d3bd7-7f05-4719-8863-b22b99f1273f	1	static	3	1	Led anode	4	2	Led cathode	2.1	-0.02
659cbb96-87ad-4db1-a0b6-29f78fd2de8c	696d3bd7-7f05-4719-8863-b22b99f1273f	2	static	5	3	Led bidirectionnel	6	3	Led bidirectionnel	1.96	1.98
49b9b83c-cc7b-44d1-bc24-a1d3b178730e	696d3bd7-7f05-4719-8863-b22b99f1273f	3	static	7	4	Shortcut	8	4	Shortcut	0	0
79519acb-fb4a-4712-8683-e6b8a823ca12	696d3bd7-7f05-4719-8863-b22b99f1273f	4	button	12	17	Button ON	14	5	Common	0	0
469abd23-dccf-4f66-93a0-97df7bd8354e	696d3bd7-7f05-4719-8863-b22b99f1273f	5	button	13	16	Button OFF	14	5	Common	0	0
ca715066-2d8a-40ff-ae38-ccdc38cf0855	696d3bd7-7f05-4719-8863-b22b99f1273f	6	touch	16	33	Touch ON	\N	\N	\N	\N	\N
d2740f66-2d2a-4591-9656-418ab5c41b33	696d3bd7-7f05-4719-8863-b22b99f1273f	7	touch	17	32	Touch OFF	\N	\N	\N	\N	\N
\.


--
-- Data for Name: parts; Type: TABLE DATA; Schema: public; Owner: -
--

COPY public.parts (id, run_id, serial, attempt, started_utc, ended_utc, verdict, forwarded, test_s, cycle_s) FROM stdin;
27cad3a7-47bf-46a2-9a11-cd3a48d4c850	2550e732-a4a0-4ae7-9fcb-a5a60c1d2fc6	SN-0001	1	2026-12-07T16:02:37.409Z	2026-12-07T16:02:37.425Z	PASS	1	0.012	0.024
3c568027-77cb-4b45-9052-ba6df0120dd9	2550e732-a4a0-4ae7-9fcb-a5a60c1d2fc6	SN-0002	1	2026-12-07T16:02:37.434Z	2026-12-07T16:02:37.442Z	FAIL	1	0.006	0.012
b2305133-bce3-4da8-b0ab-668e63b6add1	2550e732-a4a0-4ae7-9fcb-a5a60c1d2fc6	SN-0003	1	2026-12-07T16:02:37.447Z	2026-12-07T16:02:37.454Z	PASS	1	0.005	0.012
6419f8ad-0d43-4f1d-a49c-2a38d5ee0151	2550e732-a4a0-4ae7-9fcb-a5a60c1d2fc6	SN-0004	1	2026-12-07T16:02:37.459Z	2026-12-07T16:02:37.467Z	FAIL	1	0.003	0.013
696d3bd7-7f05-4719-8863-b22b99f1273f	2550e732-a4a0-4ae7-9fcb-a5a60c1d2fc6	SN-0002	2	2026-12-07T16:02:37.474Z	2026-12-07T16:02:37.476Z	PASS	1	0	0.007
\.


--
-- Data for Name: results_schema; Type: TABLE DATA; Schema: public; Owner: -
--

COPY public.results_schema (version) FROM stdin;
3
\.


--
-- Data for Name: runs; Type: TABLE DATA; Schema: public; Owner: -
--

COPY public.runs (id, station, program_path, program_sha256, firmware, sensitivity, buzzer, tolerance, started_utc, ended_utc, program_version, forwarded) FROM stdin;
2550e732-a4a0-4ae7-9fcb-a5a60c1d2fc6	bench-1	/work/main/tests/parts/good.device	d02c1e421d94a44d1ee32765650f9a62f070f3fe5653c144827a1760527bb074	1.4.2	64	100	0.1	2026-12-07T16:02:37.391Z	2026-12-07T16:02:37.485Z	1.5.0	1
\.


--
-- Name: comparisons comparisons_pkey; Type: CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.comparisons
    ADD CONSTRAINT comparisons_pkey PRIMARY KEY (id);


--
-- Name: measurements measurements_pkey; Type: CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.measurements
    ADD CONSTRAINT measurements_pkey PRIMARY KEY (id);


--
-- Name: parts parts_pkey; Type: CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.parts
    ADD CONSTRAINT parts_pkey PRIMARY KEY (id);


--
-- Name: runs runs_pkey; Type: CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.runs
    ADD CONSTRAINT runs_pkey PRIMARY KEY (id);


--
-- Name: comparisons_failed; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX comparisons_failed ON public.comparisons USING btree (part_id, mode) WHERE (passed = 0);


--
-- Name: comparisons_part; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX comparisons_part ON public.comparisons USING btree (part_id);


--
-- Name: measurements_part; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX measurements_part ON public.measurements USING btree (part_id);


--
-- Name: parts_forwarded; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX parts_forwarded ON public.parts USING btree (forwarded);


--
-- Name: parts_run; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX parts_run ON public.parts USING btree (run_id);


--
-- Name: parts_serial; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX parts_serial ON public.parts USING btree (serial);


--
-- Name: parts_started; Type: INDEX; Schema: public; Owner: -
--

CREATE INDEX parts_started ON public.parts USING btree (started_utc);


--
-- Name: comparisons comparisons_part_id_fkey; Type: FK CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.comparisons
    ADD CONSTRAINT comparisons_part_id_fkey FOREIGN KEY (part_id) REFERENCES public.parts(id);


--
-- Name: measurements measurements_part_id_fkey; Type: FK CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.measurements
    ADD CONSTRAINT measurements_part_id_fkey FOREIGN KEY (part_id) REFERENCES public.parts(id);


--
-- Name: parts parts_run_id_fkey; Type: FK CONSTRAINT; Schema: public; Owner: -
--

ALTER TABLE ONLY public.parts
    ADD CONSTRAINT parts_run_id_fkey FOREIGN KEY (run_id) REFERENCES public.runs(id);


--
-- PostgreSQL database dump complete
--

\unrestrict TUr5KLITP6Sn5yNehI3cgRJrziwS5CX8dYfrMFrYEfBW7IqNWb1qdjCfBaIuqqF

